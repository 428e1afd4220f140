/* Inside the library and for the program built on it: a conversion of the
 * C interface started with the vector kernels the caller picks, rather than
 * those this processor runs best. The program's driver hands over its
 * choice, and the tests hold every kernel set to the reference this way.
 *
 * The streaming calls with the default pair (septcvt.cpp), the calls that
 * take a pair of national tables (pairs.cpp) and the whole-buffer calls
 * (whole.cpp) live apart, so that a program that streams with the default
 * pair links none of the national tables. */
#ifndef SEPTCVT_CONVERSION_H
#define SEPTCVT_CONVERSION_H

#include "block.h"
#include "septcvt.h"

/* What septcvt_output_room gives, as a constant; with a growth, what
 * septcvt_output_room_pair gives. */
constexpr size_t interface_room(size_t in_len, int growth = MAX_GROWTH)
{
    return in_len > (SIZE_MAX - 10) / static_cast<size_t>(growth) ? SIZE_MAX : 2 + output_room(in_len, growth);
}

/* What the interface keeps in septcvt_state::internal. Plain data, copied in
 * and out with memcpy, so no object's lifetime is at stake in storage that
 * C code owns. */
struct conversion {
    block_state core;
    int direction; /* SEPTCVT_TO_UNICODE or SEPTCVT_TO_GSM; anything else was never initialised */
    uint8_t mark[2]; /* the UCS-2 mark the core begins with, which goes out with the first call */
    uint8_t mark_length;
};
static_assert(sizeof(conversion) <= sizeof(septcvt_state::internal), "the state has room for the conversion");

inline bool refused(int status)
{
    return status == SEPTCVT_MALFORMED || status == SEPTCVT_NO_MARK;
}

/* For the program, which writes from its input block what needs no
 * conversion, sparing a copy: true where a conversion from GSM text into
 * UTF-8 with the default pair would write in[0..len) as it is, each code
 * standing for itself; the bytes are then counted as converted, and the
 * caller writes them. */
bool take_as_is(septcvt_state *state, const uint8_t *in, size_t len);

/* septcvt_init with the kernels given: the default pair. */
int start_default(septcvt_state *state, int direction, int form, const kernel_set *kernels);

/* septcvt_init_pair with the kernels given; they serve the default pair
 * only, and any other pair runs on the scalar core. */
int start_conversion(septcvt_state *state, int direction, int form, int locking, int single,
                     const kernel_set *kernels);

/* What both begin with, once the ids are known to be good: the tables
 * resolved (national none for the default pair, whose ids are 0). */
int start_tables(septcvt_state *state, int direction, int form, int locking, int single,
                 const table_set *national, const kernel_set *kernels);

#endif
