/* Vector kernels for the conversion core's hot loops.
 *
 * A kernel converts whole fixed windows of input, starting on a character
 * boundary, for as long as each window is one it handles; it returns where
 * it stopped, and the scalar core, which stays the one reference of the
 * rules, takes the next window. Windows the kernels leave alone are rare in
 * text: a byte above 0x7F or an escape after an escape in GSM text, UTF-8
 * forms the kernel does not decode (four bytes and more everywhere, and the
 * default pair's kernels three but the euro sign's, which the AVX-512 one
 * takes), malformed input; the AVX2 kernel for UCS-2 takes only ASCII. No
 * kernel reads past its input (the SSE2 and AVX2 UTF-8 ones look one or
 * two bytes beyond a window, so they stop short of the end) or writes past
 * the core's output room, in which a window may store all it could write.
 * The rules they share are in window_rules.h. */
#ifndef SEPTCVT_KERNELS_H
#define SEPTCVT_KERNELS_H

#include <cstddef>
#include <cstdint>

#include "national.h"
#include "tables.h"

/* What a national pair's kernels read: GSM to Unicode, the planes of the
 * locking table and of the single table in the form converted to, or the
 * rows of their forms by code; Unicode to GSM, the two tables inverted,
 * and the blocks of 128 units where most of the locking table's characters
 * lie (national_blocks). The codes below 0x80 that stand for themselves
 * both ways, as gsm_identity_by_low_nibble holds the default pair's. */
struct pair_kernel_tables {
    const code_planes *locking_planes, *single_planes;
    const unicode_form *locking_forms, *single_forms;
    national_table locking, single;
    const uint8_t *blocks;
    const uint8_t *identity;
};

/* A unit's form through a pair, as the kernels write it: its code in the
 * locking table, else GSM_ESCAPED plus its code in the single table; 0x100
 * where neither holds it. */
inline unsigned pair_unit_form(const pair_kernel_tables &t, uint16_t unit)
{
    const unsigned locking = national_code(t.locking, unit), single = national_code(t.single, unit);
    return locking != NATIONAL_NONE ? locking : single != NATIONAL_NONE ? GSM_ESCAPED | single : 0x100;
}

struct kernel_set {
    const char *name;
    int level;     /* 1 SSE2, 2 AVX2, 3 AVX-512: what SEPTCVT_KERNELS names */
    size_t window; /* bytes of input a window holds; two units a byte for UCS-2 input */
    /* GSM text: forms is a forward_table's row of entries. */
    size_t (*forward_utf8)(const unicode_form *forms, const uint8_t *in, size_t len, size_t i, uint8_t *&o,
                           uint64_t &unmapped);
    size_t (*forward_ucs2)(const unicode_form *forms, const uint8_t *in, size_t len, size_t i, uint8_t *&o,
                           uint64_t &unmapped);
    /* UTF-8 to GSM: characters without mapping are left out and counted. */
    size_t (*reverse_utf8)(const uint8_t *in, size_t len, size_t i, uint8_t *&o, uint64_t &unmapped);
    /* UCS-2 to GSM, its units big-endian where swapped; null where the
     * scalar core's loop is as fast. */
    size_t (*reverse_ucs2)(const uint8_t *in, size_t len, size_t i, bool swapped, uint8_t *&o, uint64_t &unmapped);
    /* The same for a national pair; null where the set has none (AVX2 has
     * none for UTF-8: without byte lookups in registers it finds a pair's
     * codes no faster than the scalar core). */
    size_t (*pair_forward_utf8)(const pair_kernel_tables &t, const uint8_t *in, size_t len, size_t i, uint8_t *&o,
                                uint64_t &unmapped);
    size_t (*pair_forward_ucs2)(const pair_kernel_tables &t, const uint8_t *in, size_t len, size_t i, uint8_t *&o,
                                uint64_t &unmapped);
    size_t (*pair_reverse_utf8)(const pair_kernel_tables &t, const uint8_t *in, size_t len, size_t i, uint8_t *&o,
                                uint64_t &unmapped);
    size_t (*pair_reverse_ucs2)(const pair_kernel_tables &t, const uint8_t *in, size_t len, size_t i, bool swapped,
                                uint8_t *&o, uint64_t &unmapped);
    /* GSM text into UTF-8 with the default pair: where the windows from
     * in[i] on whose every code stands for itself end, the bytes going out
     * as they came; null where the set has no such check (SSE2 lacks the
     * byte lookup it takes). */
    size_t (*as_is)(const uint8_t *in, size_t len, size_t i);
};

/* Where the AVX-512 kernels are built natively: x86-64, but not 64-bit
 * Windows, whose 16-byte stack alignment a spilled 512-bit value breaks. */
#if (defined(__x86_64__) || defined(_M_X64)) && !defined(_WIN32)
#define SEPTCVT_HAS_AVX512_KERNELS 1
#endif

/* The kernels this processor runs, chosen once: AVX-512 where the processor
 * and the system have what they use, else AVX2, else SSE2 on x86-64; none
 * elsewhere, where the scalar core does it all. Never the emulated AVX-512
 * set, which is there for the tests. The environment's SEPTCVT_KERNELS
 * (scalar, sse2, avx2 or avx512), read at the first call, caps the choice. */
const kernel_set *chosen_kernels();

/* The choice from the sets runnable_kernels() gives and the value of
 * SEPTCVT_KERNELS (null where it is not set): the fastest set at or below
 * the level it names, none for "scalar"; an unknown value is ignored. */
const kernel_set *pick_kernels(const kernel_set *const *runnable, const char *wanted);

/* Every kernel set this processor can run, fastest first and ending with a
 * null pointer, the emulated AVX-512 set last where the build has it; for
 * the tests, which hold each against the scalar core. */
const kernel_set *const *runnable_kernels();

#endif
