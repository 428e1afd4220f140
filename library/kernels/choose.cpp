#include "kernels.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

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

const kernel_set *pick_kernels(const kernel_set *const *runnable, const char *wanted)
{
    static const char *const levels[] = {"scalar", "sse2", "avx2", "avx512"};
    int level = -1;
    for (int k = 0; k < 4 && wanted != nullptr; ++k)
        if (strcmp(wanted, levels[k]) == 0)
            level = k;
    /* Fastest first, so the first at or below the level asked for is the
     * best the processor has of it; an unknown value asks for nothing. */
    for (; *runnable != nullptr; ++runnable)
        if (level < 0 || (*runnable)->level <= level)
            return *runnable;
    return nullptr;
}

const kernel_set *chosen_kernels()
{
    /* Read once: a kernel set that fails in the field can be stepped around
     * by the environment, without a rebuild. Constant-initialized, so no
     * guard; threads that race store the same answer. */
    static std::atomic<const kernel_set *> chosen{nullptr};
    static std::atomic<bool> known{false};
    if (!known.load(std::memory_order_acquire)) {
        chosen.store(pick_kernels(runnable_kernels(), getenv("SEPTCVT_KERNELS")), std::memory_order_relaxed);
        known.store(true, std::memory_order_release);
    }
    return chosen.load(std::memory_order_relaxed);
}
