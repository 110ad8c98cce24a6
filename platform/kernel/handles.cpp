// The handle table: every window, context, GDI object, menu and memory block the layer gives out
// is an index into this table with a generation count, so stale handles are recognised.
#include "platform/kernel/handles.h"

#include <cstdint>
#include <vector>

namespace {

// Slot 0 is never used, so no handle is null. Index and generation share the low 32 bits, which
// keeps handles meaningful when they travel through 32-bit fields. The table is never destroyed:
// the objects it holds live to the end of the process, and the leak check that runs after the
// static destructors must still find them.
std::vector<HandleSlot> &slots = *new std::vector<HandleSlot>(1);
std::vector<uint32_t> &free_slots = *new std::vector<uint32_t>();

uint32_t index_of(const void *handle) {
    return (uint32_t)((uintptr_t)handle & 0xFFFFu);
}

void publish_table() {
    handle_table.slots = slots.data();
    handle_table.count = (uint32_t)slots.size();
}

}  // namespace

HandleTable handle_table = {nullptr, 0};

void *handle_new(HandleKind kind, void *object, bool permanent) {
    uint32_t index;
    if (!free_slots.empty()) {
        index = free_slots.back();
        free_slots.pop_back();
    } else {
        if (slots.size() > 0xFFFFu) return nullptr;  // 65535 live handles at once is the limit
        index = (uint32_t)slots.size();
        slots.push_back(HandleSlot{nullptr, HANDLE_NONE, 1, false});
        publish_table();
    }
    HandleSlot &slot = slots[index];
    slot.object = object;
    slot.kind = kind;
    slot.permanent = permanent;
    return (void *)(uintptr_t)(((uint32_t)slot.generation << 16) | index);
}

bool handle_free(const void *handle) {
    HandleSlot *slot = handle_slot(handle);
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
    HandleSlot *slot = handle_slot(handle);
    return slot && slot->permanent;
}
