/* The planner as it stood, for the tests and the fuzz target to hold the
 * library's plans to: septcvt_plan_text's arguments, status, plan and
 * parts. */
#ifndef SEPTCVT_REFERENCE_PLAN_H
#define SEPTCVT_REFERENCE_PLAN_H

#include <cstddef>
#include <cstdint>

#include "septcvt.h"

int reference_plan(int form, const void *text, size_t text_len, const septcvt_plan_options *options,
                   septcvt_plan *plan, septcvt_part *parts, size_t max_parts, uint64_t *error_offset);

#endif
