// Whether the SSE2 kernels are built: on a target with SSE2, unless PREFLISTER_SCALAR asks for the scalar code.
#pragma once

// Every x86-64 has SSE2; the 32-bit Windows build is made without it and
// runs the scalar code, which the scalar tests build on purpose.
#if defined(__SSE2__) && !defined(PREFLISTER_SCALAR)
#define PREFLISTER_SSE2 1
#include <emmintrin.h>
#else
#define PREFLISTER_SSE2 0
#endif
