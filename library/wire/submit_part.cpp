/* A part of a plan as SMS-SUBMIT: the planner's user data behind the
 * caller's fields. */
#include "wire.h"

int septcvt_submit_part(const void *text, size_t text_len, const septcvt_plan_options *options,
                        const septcvt_plan *plan, const septcvt_part *parts, size_t k, unsigned reference,
                        const septcvt_tpdu *fields, int with_sc, uint8_t *out, size_t out_size, size_t *out_len,
                        size_t *tpdu_len, septcvt_tpdu_fault *fault)
{
    if (fields == nullptr || out_len == nullptr || (out == nullptr && out_size > 0))
        return SEPTCVT_NULL_POINTER;
    fail(fault, SEPTCVT_OK, SEPTCVT_FIELD_NONE, 0, 0);
    const int mr = fields->message_reference;
    if (mr < 0 || mr > 0xFF)
        return fail(fault, SEPTCVT_BAD_ARGUMENT, SEPTCVT_FIELD_MR, 0, static_cast<unsigned>(mr));
    if (fields->has_class != 0 && (fields->message_class < 0 || fields->message_class > 3))
        return fail(fault, SEPTCVT_BAD_ARGUMENT, SEPTCVT_FIELD_DCS, 0, static_cast<unsigned>(fields->message_class));
    septcvt_user_data ud;
    const int status = septcvt_part_user_data(text, text_len, options, plan, parts, k, reference, &ud);
    if (status != SEPTCVT_OK)
        return status;
    /* The general coding group: bit 4 says the class in bits 1-0 counts. */
    if (fields->has_class != 0)
        ud.dcs |= 0x10 | fields->message_class;
    return write_tpdu(*fields, SEPTCVT_SUBMIT, ud, static_cast<int>((static_cast<unsigned>(mr) + k) % 256), with_sc, out, out_size, out_len,
                      tpdu_len, fault);
}
