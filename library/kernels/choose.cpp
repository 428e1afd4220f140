#include "kernels.h"

#include "platform.h"

#if defined(__x86_64__) || defined(_M_X64)
extern const kernel_set sse2_kernels, avx2_kernels;
#ifdef SEPTCVT_HAS_AVX512_KERNELS
extern const kernel_set avx512_kernels;
#endif
/* The emulated set comes after SSE2, which every x86-64 processor runs, so
 * it is never the first: never chosen. */
#ifdef SEPTCVT_AVX512_EMULATED_SET
extern const kernel_set avx512_emulated_kernels;
#define EMULATED &avx512_emulated_kernels,
#else
#define EMULATED
#endif
#endif

const kernel_set *const *runnable_kernels()
{
#if defined(__x86_64__) || defined(_M_X64)
    static const kernel_set *const with_avx2[] = {&avx2_kernels, &sse2_kernels, EMULATED nullptr};
    static const kernel_set *const without[] = {&sse2_kernels, EMULATED nullptr};
#ifdef SEPTCVT_HAS_AVX512_KERNELS
    static const kernel_set *const with_avx512[] = {&avx512_kernels, &avx2_kernels, &sse2_kernels, EMULATED nullptr};
    if (cpu_has_avx512() && cpu_has_avx2())
        return with_avx512;
#endif
    return cpu_has_avx2() ? with_avx2 : without;
#else
    static const kernel_set *const none[] = {nullptr};
    return none;
#endif
}

const kernel_set *chosen_kernels()
{
    /* Asked once per conversion: a remembered answer would need a guarded
     * static, and with it the C++ runtime library. */
    return runnable_kernels()[0];
}
