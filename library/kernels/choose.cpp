#include "kernels.h"

#include "platform.h"

#if defined(__x86_64__) || defined(_M_X64)
extern const kernel_set sse2_kernels, avx2_kernels;
#endif

const kernel_set *const *runnable_kernels()
{
#if defined(__x86_64__) || defined(_M_X64)
    static const kernel_set *const with_avx2[] = {&avx2_kernels, &sse2_kernels, nullptr};
    static const kernel_set *const without[] = {&sse2_kernels, nullptr};
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
