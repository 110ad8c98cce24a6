// Movable global memory: GlobalAlloc blocks behind checked handles, with a lock count, so that a
// freed block's handle makes later calls harmless failures.
#include "platform/kernel/handles.h"
#include "platform/win32.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <unordered_map>

namespace {

struct GlobalBlock {
    void *data;      // the bytes, right behind the record (at least one, so a zero-sized block
                     // still has an address)
    SIZE_T size;     // bytes asked for
    int locks;       // GlobalLock count not yet matched by GlobalUnlock
    bool fixed;      // GMEM_FIXED: the handle is the data pointer itself
    HGLOBAL handle;  // the table handle (for fixed blocks: the one behind the pointer)
};

// Fixed blocks are handed out as their own address, as Windows does; this finds their record.
// Never destroyed, as the handle table is not.
std::unordered_map<const void *, HGLOBAL> &fixed_blocks =
    *new std::unordered_map<const void *, HGLOBAL>();

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
    // One allocation for the record and the bytes; the bytes start at an alignment malloc gives.
    const size_t header =
        (sizeof(GlobalBlock) + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);
    size_t size = header + (bytes ? bytes : 1);
    char *memory = (char *)((flags & GMEM_ZEROINIT) ? calloc(1, size) : malloc(size));
    if (!memory) return nullptr;
    void *data = memory + header;
    GlobalBlock *block =
        new (memory) GlobalBlock{data, bytes, 0, !(flags & GMEM_MOVEABLE), nullptr};
    block->handle = handle_new(HANDLE_GLOBAL, block);
    if (!block->handle) {
        free(memory);
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
    free(block);  // the bytes with it
    return nullptr;
}

SIZE_T WINAPI GlobalSize(HGLOBAL handle) {
    GlobalBlock *block = block_of(handle);
    return block ? block->size : 0;
}
