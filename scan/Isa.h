// Which instruction sets the scans may be built for: the one test of the target, so that
// every kernel file guards alike.
#pragma once

// x86-64 always has SSE2; AVX2 is chosen at run time. Elsewhere (32-bit Windows included)
// only the portable kernels exist.
#if defined(__x86_64__) && defined(__GNUC__)
#define TORK_SCAN_X86_64 1
#else
#define TORK_SCAN_X86_64 0
#endif
