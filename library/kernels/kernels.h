/* Vector kernels for the conversion core's hot loops.
 *
 * A kernel converts whole fixed windows of input, starting on a character
 * boundary, for as long as each window is one it handles; it returns where
 * it stopped, and the scalar core, which stays the one reference of the
 * rules, takes the next window. Windows the kernels leave alone are rare in
 * text: a byte above 0x7F or an escape after an escape in GSM text, UTF-8
 * forms of three bytes or more, malformed input. No kernel reads past its
 * input (the UTF-8 one looks one byte beyond a window, so it stops a window
 * and a byte short of the end) or writes past the core's output room. */
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

/* The kernels this processor runs, chosen once: AVX2 where the processor has
 * it, else SSE2 on x86-64; none elsewhere, where the scalar core does it
 * all. */
const kernel_set *chosen_kernels();

/* Every kernel set this processor can run, ending with a null pointer; for
 * the tests, which hold each against the scalar core. */
const kernel_set *const *runnable_kernels();

#endif
