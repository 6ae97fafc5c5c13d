// KERNEL32's process heap over the C allocator. Every live block is remembered, so that
// freeing a pointer the heap never gave out (or freeing twice) fails instead of corrupting
// memory.
#include "kernel/heap.h"

#include <windows.h>

#include <stdlib.h>

#include <mutex>
#include <unordered_set>

namespace {

// The one heap's handle: any distinct non-null value.
int g_processHeapTag;

struct Blocks {
  std::mutex lock;
  std::unordered_set<void*> live;
};

Blocks& Live() {
  static Blocks* blocks = new Blocks;
  return *blocks;
}

}  // namespace

namespace orvel::kernel {

int LiveHeapBlocks() {
  Blocks& b = Live();
  std::lock_guard<std::mutex> hold(b.lock);
  return static_cast<int>(b.live.size());
}

}  // namespace orvel::kernel

extern "C" {

HANDLE WINAPI GetProcessHeap(void) {
  return &g_processHeapTag;
}

LPVOID WINAPI HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes) {
  if (hHeap != &g_processHeapTag) return nullptr;
  // A zero-byte request still gets a distinct block, as on Win32.
  size_t bytes = dwBytes == 0 ? 1 : dwBytes;
  void* block = (dwFlags & HEAP_ZERO_MEMORY) ? calloc(1, bytes) : malloc(bytes);
  if (block == nullptr) return nullptr;
  Blocks& b = Live();
  std::lock_guard<std::mutex> hold(b.lock);
  b.live.insert(block);
  return block;
}

BOOL WINAPI HeapFree(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem) {
  if (hHeap != &g_processHeapTag) return FALSE;
  if (lpMem == nullptr) return TRUE;
  Blocks& b = Live();
  {
    std::lock_guard<std::mutex> hold(b.lock);
    if (b.live.erase(lpMem) == 0) return FALSE;
  }
  free(lpMem);
  return TRUE;
}

}  // extern "C"
