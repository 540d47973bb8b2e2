// Zero-filled movable memory blocks, held as a handle (owned by the caller, passed by
// reference so it can be cleared or replaced) and the locked pointer to the bytes.
#pragma once

#include "platform/win32.h"

// Allocates `size` zero-filled bytes. Returns the locked pointer and stores the handle, or
// returns null and stores 0.
void* alloc_block(DWORD size, HGLOBAL* handle);
// Unlocks and frees the block when the handle is not 0, and sets it to 0.
void free_block(HGLOBAL* handle);
// Resizes to `size`, new bytes zero-filled; allocates when the handle is 0. Returns 0, or 37
// when memory is short, in which case the old block, its contents and pointer stay usable.
int grow_block(DWORD size, HGLOBAL* handle, void** pointer);
