/* Which windows the kernels take, and how far each takes them: the rules
 * every kernel width follows, on bit masks of a window's positions (bit k
 * for byte k). A kernel works the masks out in its own registers and asks
 * here; the scalar core takes any window these rules leave. */
#ifndef SEPTCVT_WINDOW_RULES_H
#define SEPTCVT_WINDOW_RULES_H

#include <cstdint>

/* The positions of a window of width bytes. */
constexpr uint64_t window_bits(unsigned width)
{
    return width >= 64 ? ~uint64_t{0} : (uint64_t{1} << width) - 1;
}

/* GSM text: the bytes a window takes, from its bytes above 0x7F and its
 * escapes; 0 where the scalar core must take it. A byte above 0x7F has no
 * mapping, and an escape after an escape is looked up in the escape table:
 * both rare, and left to the core. An escape that ends the window waits
 * for the next one, which begins with it and sees the code it announces. */
constexpr unsigned forward_window_takes(unsigned width, uint64_t high, uint64_t escapes)
{
    if (high != 0 || (escapes & (escapes >> 1)) != 0)
        return 0;
    return (escapes >> (width - 1) & 1) != 0 ? width - 1 : width;
}

/* UTF-8: every byte above 0x7F is a lead byte the kernel decodes or a
 * continuation byte, and the continuation bytes stand exactly where the
 * kernel expects them after its leads (and after a character the last
 * window cut off). Anything else, three-byte forms the kernel does not know
 * among it, goes to the scalar core, which also judges malformed input. */
constexpr bool utf8_window_taken(uint64_t high, uint64_t leads, uint64_t continuations, uint64_t expected)
{
    return (high & ~(leads | continuations)) == 0 && continuations == expected;
}

/* UTF-8 of one and two bytes, for a kernel that decodes a character at its
 * lead byte and looks one byte past the window for it: the bytes a window
 * takes, once utf8_window_taken holds for it with expected the
 * continuations its two-byte leads announce inside it. A lead byte that
 * ends the window is left for the next. */
constexpr unsigned utf8_window_takes(unsigned width, uint64_t leads)
{
    return (leads >> (width - 1) & 1) != 0 ? width - 1 : width;
}

/* The continuations that two-byte leads announce inside a window. */
constexpr uint64_t utf8_second_bytes(unsigned width, uint64_t leads)
{
    return (leads << 1) & window_bits(width);
}

#endif
