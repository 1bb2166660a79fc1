// Counts every byte the process allocates through operator new, so that a
// benchmark can tell what one call allocated.
#ifndef TOLVARAN_BENCH_ALLOC_COUNT_H_
#define TOLVARAN_BENCH_ALLOC_COUNT_H_

#include <cstddef>

std::size_t AllocatedBytes();

#endif  // TOLVARAN_BENCH_ALLOC_COUNT_H_
