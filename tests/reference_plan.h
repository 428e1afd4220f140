/* The planner as it stood, for the tests and the fuzz target to hold the
 * library's plans to: septcvt_plan_text's arguments, status, plan and
 * parts; and that comparison. */
#ifndef SEPTCVT_REFERENCE_PLAN_H
#define SEPTCVT_REFERENCE_PLAN_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "septcvt.h"

int reference_plan(int form, const void *text, size_t text_len, const septcvt_plan_options *options,
                   septcvt_plan *plan, septcvt_part *parts, size_t max_parts, uint64_t *error_offset);

/* A text planned by the library and by the planner as it stood: "" where
 * both give the same status and error offset, the same plan, the same
 * parts (and write nothing past them) and the same user data of every
 * part; else what differs first. */
std::string plans_differ(int form, const void *text, size_t text_len, const septcvt_plan_options &o, size_t max_parts);

#endif
