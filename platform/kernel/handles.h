// The handle table: every handle the layer gives out is an index and a generation count packed
// into a pointer-sized value, checked on every call, so a destroyed window or deleted object makes
// later calls harmless no-ops.
#ifndef TAVIX_PLATFORM_KERNEL_HANDLES_H
#define TAVIX_PLATFORM_KERNEL_HANDLES_H

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
// The object behind handle if it is live and of that kind, else nullptr.
void *handle_get(const void *handle, HandleKind kind);
// The kind of a live handle, HANDLE_NONE for anything else.
HandleKind handle_kind(const void *handle);
// Retires handle; later handle_get on it returns nullptr. Returns false for a dead, foreign or
// permanent handle.
bool handle_free(const void *handle);
bool handle_is_permanent(const void *handle);

#endif
