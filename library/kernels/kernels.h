/* Vector kernels for the conversion core's hot loops.
 *
 * A kernel converts whole fixed windows of input, starting on a character
 * boundary, for as long as each window is one it handles; it returns where
 * it stopped, and the scalar core, which stays the one reference of the
 * rules, takes the next window. Windows the kernels leave alone are rare in
 * text: a byte above 0x7F or an escape after an escape in GSM text, UTF-8
 * forms of three bytes or more (but the euro sign's, which the AVX-512 one
 * takes), malformed input. No kernel reads past its
 * input (the SSE2 and AVX2 UTF-8 ones look one byte beyond a window, so
 * they stop a window and a byte short of the end) or writes past the
 * core's output room, in which a window may store all it could write. The
 * rules they share are in window_rules.h. */
#ifndef SEPTCVT_KERNELS_H
#define SEPTCVT_KERNELS_H

#include <cstddef>
#include <cstdint>

#include "tables.h"

struct kernel_set {
    const char *name;
    size_t window; /* bytes of input a window holds */
    /* GSM text: forms is a forward_table's row of entries. */
    size_t (*forward_utf8)(const unicode_form *forms, const uint8_t *in, size_t len, size_t i, uint8_t *&o,
                           uint64_t &unmapped);
    size_t (*forward_ucs2)(const unicode_form *forms, const uint8_t *in, size_t len, size_t i, uint8_t *&o,
                           uint64_t &unmapped);
    /* UTF-8 to GSM: characters without mapping are left out and counted.
     * UCS-2 input has no kernel: the scalar core's loop is as fast. */
    size_t (*reverse_utf8)(const uint8_t *in, size_t len, size_t i, uint8_t *&o, uint64_t &unmapped);
};

/* Where the AVX-512 kernels are built natively: x86-64, but not 64-bit
 * Windows, whose 16-byte stack alignment a spilled 512-bit value breaks. */
#if (defined(__x86_64__) || defined(_M_X64)) && !defined(_WIN32)
#define SEPTCVT_HAS_AVX512_KERNELS 1
#endif

/* The kernels this processor runs, chosen once: AVX-512 where the processor
 * and the system have what they use, else AVX2, else SSE2 on x86-64; none
 * elsewhere, where the scalar core does it all. Never the emulated AVX-512
 * set, which is there for the tests. */
const kernel_set *chosen_kernels();

/* Every kernel set this processor can run, fastest first and ending with a
 * null pointer, the emulated AVX-512 set last where the build has it; for
 * the tests, which hold each against the scalar core. */
const kernel_set *const *runnable_kernels();

#endif
