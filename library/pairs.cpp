/* The calls of the C interface that take a pair of national language
 * tables. Apart from the streaming calls, so that only a caller of these
 * links the national tables. */
#include "septcvt.h"

#include "conversion.h"
#include "kernels.h"
#include "national.h"

static bool known_language(int id)
{
    return id >= 0 && id < LANGUAGES;
}

int septcvt_init_pair(septcvt_state *state, int direction, int form, int locking, int single)
{
    return start_conversion(state, direction, form, locking, single, chosen_kernels());
}

int start_conversion(septcvt_state *state, int direction, int form, int locking, int single,
                     const kernel_set *kernels)
{
    if (state == nullptr)
        return SEPTCVT_NULL_POINTER;
    if (!known_language(locking) || !known_language(single))
        return SEPTCVT_BAD_ARGUMENT;
    locking = locking_table_of(locking);
    /* The default pair, Spanish locking included, keeps its own tables and
     * kernels. */
    const table_set *national = locking == 0 && single == 0 ? nullptr : &national_tables;
    return start_tables(state, direction, form, locking, single, national, kernels);
}

size_t septcvt_output_room_pair(size_t in_len, int locking, int single)
{
    /* An unknown pair, which septcvt_init_pair refuses, gets the most any
     * pair needs. */
    const bool known = known_language(locking) && known_language(single);
    return interface_room(in_len, known ? national_growth(locking_table_of(locking)) : MOST_GROWTH);
}
