// The process heap's bookkeeping, for tests: every block HeapAlloc hands out is counted until
// HeapFree takes it back, so a test can prove that a run leaves nothing allocated.
#ifndef ORVEL_KERNEL_HEAP_H
#define ORVEL_KERNEL_HEAP_H

namespace orvel::kernel {

// Blocks allocated from the process heap and not yet freed.
int LiveHeapBlocks();

}  // namespace orvel::kernel

#endif
