// The handle table: every handle the layer gives out is an index and a generation count packed
// into a pointer-sized value, checked on every call, so a destroyed window or deleted object makes
// later calls harmless no-ops.
#ifndef TAVIX_PLATFORM_KERNEL_HANDLES_H
#define TAVIX_PLATFORM_KERNEL_HANDLES_H

#include <cstdint>

enum HandleKind {
    HANDLE_NONE = 0,
    HANDLE_WINDOW,
    HANDLE_DC,
    HANDLE_PEN,
    HANDLE_BRUSH,
    HANDLE_FONT,
    HANDLE_BITMAP,
    HANDLE_MENU,
    HANDLE_GLOBAL,
    HANDLE_ICON,
};

// Registers object under a new handle. A permanent handle (stock objects) survives handle_free.
void *handle_new(HandleKind kind, void *object, bool permanent = false);

struct HandleSlot {
    void *object;         // what the handle names; nullptr while the slot is free
    HandleKind kind;      // HANDLE_NONE while the slot is free
    uint16_t generation;  // bumped on every free, so an old handle no longer matches
    bool permanent;       // stock objects: never freed
};

// The table itself, read inline by the lookups below (every drawing call makes several). Slot 0
// is never used and stays free, so a null handle finds nothing.
struct HandleTable {
    HandleSlot *slots;
    uint32_t count;
};
extern HandleTable handle_table;

// The live slot handle names, else nullptr: its index in range and its generation current.
inline HandleSlot *handle_slot(const void *handle) {
    uintptr_t value = (uintptr_t)handle;
    uint32_t index = (uint32_t)(value & 0xFFFFu);
    if (value > 0xFFFFFFFFu || index >= handle_table.count) return nullptr;
    HandleSlot *slot = &handle_table.slots[index];
    if (slot->kind == HANDLE_NONE || slot->generation != (uint16_t)(value >> 16)) return nullptr;
    return slot;
}

// The object behind handle if it is live and of that kind, else nullptr.
inline void *handle_get(const void *handle, HandleKind kind) {
    HandleSlot *slot = handle_slot(handle);
    return slot && slot->kind == kind ? slot->object : nullptr;
}
// The kind of a live handle, HANDLE_NONE for anything else.
inline HandleKind handle_kind(const void *handle) {
    HandleSlot *slot = handle_slot(handle);
    return slot ? slot->kind : HANDLE_NONE;
}
// Retires handle; later handle_get on it returns nullptr. Returns false for a dead, foreign or
// permanent handle.
bool handle_free(const void *handle);
bool handle_is_permanent(const void *handle);

#endif
