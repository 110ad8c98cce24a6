// The handle table: every window, context, GDI object, menu and memory block the layer gives out
// is an index into this table with a generation count, so stale handles are recognised.
#include "platform/kernel/handles.h"

#include <cstdint>
#include <vector>

namespace {

struct HandleSlot {
    void *object;      // what the handle names; nullptr while the slot is free
    HandleKind kind;   // HANDLE_NONE while the slot is free
    uint16_t generation;  // bumped on every free, so an old handle no longer matches
    bool permanent;    // stock objects: never freed
};

// Slot 0 is never used, so no handle is null. Index and generation share the low 32 bits, which
// keeps handles meaningful when they travel through 32-bit fields.
std::vector<HandleSlot> slots(1);
std::vector<uint32_t> free_slots;

uint32_t index_of(const void *handle) { return (uint32_t)((uintptr_t)handle & 0xFFFFu); }
uint16_t generation_of(const void *handle) { return (uint16_t)(((uintptr_t)handle >> 16) & 0xFFFFu); }

HandleSlot *live_slot(const void *handle) {
    uintptr_t value = (uintptr_t)handle;
    if (value == 0 || value > 0xFFFFFFFFu) return nullptr;
    uint32_t index = index_of(handle);
    if (index == 0 || index >= slots.size()) return nullptr;
    HandleSlot &slot = slots[index];
    if (slot.kind == HANDLE_NONE || slot.generation != generation_of(handle)) return nullptr;
    return &slot;
}

}  // namespace

void *handle_new(HandleKind kind, void *object, bool permanent) {
    uint32_t index;
    if (!free_slots.empty()) {
        index = free_slots.back();
        free_slots.pop_back();
    } else {
        if (slots.size() > 0xFFFFu) return nullptr;  // 65535 live handles at once is the limit
        index = (uint32_t)slots.size();
        slots.push_back(HandleSlot{nullptr, HANDLE_NONE, 1, false});
    }
    HandleSlot &slot = slots[index];
    slot.object = object;
    slot.kind = kind;
    slot.permanent = permanent;
    return (void *)(uintptr_t)(((uint32_t)slot.generation << 16) | index);
}

void *handle_get(const void *handle, HandleKind kind) {
    HandleSlot *slot = live_slot(handle);
    return slot && slot->kind == kind ? slot->object : nullptr;
}

HandleKind handle_kind(const void *handle) {
    HandleSlot *slot = live_slot(handle);
    return slot ? slot->kind : HANDLE_NONE;
}

bool handle_free(const void *handle) {
    HandleSlot *slot = live_slot(handle);
    if (!slot || slot->permanent) return false;
    slot->object = nullptr;
    slot->kind = HANDLE_NONE;
    // Generation 0 is skipped so that a handle is never a small integer.
    uint16_t next = (uint16_t)(slot->generation + 1);
    slot->generation = next == 0 ? 1 : next;
    free_slots.push_back(index_of(handle));
    return true;
}

bool handle_is_permanent(const void *handle) {
    HandleSlot *slot = live_slot(handle);
    return slot && slot->permanent;
}
