/* Inside the library and for the program built on it: a conversion of the
 * C interface started with the vector kernels the caller picks, rather than
 * those this processor runs best. The program's driver hands over its
 * choice, and the tests hold every kernel set to the reference this way. */
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

/* septcvt_init_pair with the kernels given; they serve the default pair
 * only, and any other pair runs on the scalar core. */
int start_conversion(septcvt_state *state, int direction, int form, int locking, int single,
                     const kernel_set *kernels);

#endif
