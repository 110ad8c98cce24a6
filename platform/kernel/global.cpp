// Movable global memory: GlobalAlloc blocks behind checked handles, with a lock count, so that a
// freed block's handle makes later calls harmless failures.
#include "platform/kernel/handles.h"
#include "platform/win32.h"

#include <cstdlib>
#include <cstring>
#include <unordered_map>

namespace {

struct GlobalBlock {
    void *data;      // the bytes (at least one, so a zero-sized block still has an address)
    SIZE_T size;     // bytes asked for
    int locks;       // GlobalLock count not yet matched by GlobalUnlock
    bool fixed;      // GMEM_FIXED: the handle is the data pointer itself
    HGLOBAL handle;  // the table handle (for fixed blocks: the one behind the pointer)
};

// Fixed blocks are handed out as their own address, as Windows does; this finds their record.
std::unordered_map<const void *, HGLOBAL> fixed_blocks;

GlobalBlock *block_of(HGLOBAL handle) {
    if (!handle) return nullptr;
    if (!fixed_blocks.empty()) {  // most programs have none: no hashing then
        auto fixed = fixed_blocks.find(handle);
        if (fixed != fixed_blocks.end()) handle = fixed->second;
    }
    return (GlobalBlock *)handle_get(handle, HANDLE_GLOBAL);
}

}  // namespace

HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes) {
    // Beyond what a 32-bit program could ask for at all.
    if (bytes > 0x7FFFFFFFu) return nullptr;
    void *data = (flags & GMEM_ZEROINIT) ? calloc(1, bytes ? bytes : 1) : malloc(bytes ? bytes : 1);
    if (!data) return nullptr;
    GlobalBlock *block = new GlobalBlock{data, bytes, 0, !(flags & GMEM_MOVEABLE), nullptr};
    block->handle = handle_new(HANDLE_GLOBAL, block);
    if (!block->handle) {
        free(data);
        delete block;
        return nullptr;
    }
    if (block->fixed) {
        fixed_blocks[data] = block->handle;
        return data;
    }
    return block->handle;
}

LPVOID WINAPI GlobalLock(HGLOBAL handle) {
    GlobalBlock *block = block_of(handle);
    if (!block) return nullptr;
    if (!block->fixed && block->locks < 0xFF) ++block->locks;
    return block->data;
}

BOOL WINAPI GlobalUnlock(HGLOBAL handle) {
    GlobalBlock *block = block_of(handle);
    if (!block) return FALSE;
    if (block->locks > 0) --block->locks;
    return block->locks > 0;
}

HGLOBAL WINAPI GlobalFree(HGLOBAL handle) {
    GlobalBlock *block = block_of(handle);
    if (!block) return handle;  // failure: the handle comes back
    if (block->fixed) fixed_blocks.erase(block->data);
    handle_free(block->handle);
    free(block->data);
    delete block;
    return nullptr;
}

SIZE_T WINAPI GlobalSize(HGLOBAL handle) {
    GlobalBlock *block = block_of(handle);
    return block ? block->size : 0;
}
