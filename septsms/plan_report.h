/* What plan writes of a planned text: a report for people, or a JSON
 * object for scripts. */
#ifndef SEPTSMS_PLAN_REPORT_H
#define SEPTSMS_PLAN_REPORT_H

#include <cstdint>
#include <string>

#include "planning.h"

/* Lines for people, each ended by a line end. */
std::string plan_report(const planned &p);

/* One JSON line of the plan; and of a text refused or not read, with what
 * went wrong and, where there is one, the byte it went wrong at. */
std::string plan_json(const planned &p);
std::string refusal_json(const std::string &why, uint64_t error_offset);

/* A code point as UTF-8, behind out. */
void append_utf8(std::string &out, uint32_t code_point);

#endif
