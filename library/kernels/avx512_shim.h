/* The AVX-512 intrinsics of avx512.cpp as portable code, so that the same
 * kernels run, far more slowly, on any x86-64: the kernel check then holds
 * their logic to the scalar core on machines without AVX-512. The object
 * is built without AVX-512 (-mno-avx512f), and nothing here may become an
 * AVX-512 instruction: an intrinsic the portable library lacks must fail
 * to compile, never fall through to the compiler's own. */
#ifndef SEPTCVT_AVX512_SHIM_H
#define SEPTCVT_AVX512_SHIM_H

#include <cstdint>

#define SIMDE_ENABLE_NATIVE_ALIASES
#include <simde/x86/avx512.h>

#if defined(SIMDE_X86_AVX512F_NATIVE) || defined(SIMDE_X86_AVX512BW_NATIVE) || defined(SIMDE_X86_AVX512VBMI_NATIVE)
#error "the emulated kernels would use AVX-512 instructions: build them with -mno-avx512f"
#endif

/* What the library lacks, in plain C++. Bound by #undef and #define rather
 * than #ifndef: a name may stand as the compiler's own AVX-512 function,
 * which #ifndef does not see, and which must never be called here. */
static inline simde__m512i septcvt_maskz_compress_epi8(simde__mmask64 keep, simde__m512i a)
{
    uint8_t from[64], to[64] = {};
    simde_mm512_storeu_si512(from, a);
    unsigned n = 0;
    for (unsigned k = 0; k < 64; ++k)
        if ((keep >> k & 1) != 0)
            to[n++] = from[k];
    return simde_mm512_loadu_si512(to);
}
#undef _mm512_maskz_compress_epi8
#define _mm512_maskz_compress_epi8 septcvt_maskz_compress_epi8

static inline long long septcvt_popcnt_u64(uint64_t bits)
{
    long long n = 0;
    for (; bits != 0; bits &= bits - 1)
        ++n;
    return n;
}
#undef _mm_popcnt_u64
#define _mm_popcnt_u64 septcvt_popcnt_u64

/* The bits of source, lowest first, put where mask has its bits. */
static inline uint64_t septcvt_pdep_u64(uint64_t source, uint64_t mask)
{
    uint64_t out = 0;
    for (uint64_t bit = 1; mask != 0; bit <<= 1, mask &= mask - 1)
        if ((source & bit) != 0)
            out |= mask & -mask;
    return out;
}
#undef _pdep_u64
#define _pdep_u64 septcvt_pdep_u64

#endif
