/* What plan writes of a planned text: a report for people, or a JSON
 * object for scripts. */
#ifndef SEPTSMS_PLAN_REPORT_H
#define SEPTSMS_PLAN_REPORT_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "planning.h"

/* Lists longer than this are cut in a report; --json has them all. */
constexpr size_t LISTED = 20;

/* What a list of n, more than LISTED, leaves out once cut: "and 3 more
 * (--json lists every one)". */
std::string more_than_listed(size_t n);

/* The line that gives a reference drawn at random, and that --reference
 * with it gives the same `what` again; "" where none was drawn. */
std::string drawn_reference(const planned &p, const char *what);

/* Lines for people, each ended by a line end. */
std::string plan_report(const planned &p);

/* The plan as one JSON line. */
std::string plan_json(const planned &p);

/* Text between double quotes, with line ends and other control characters
 * written as escapes, so a text stays on its line. */
std::string quote(const std::string &text);

/* A code point as UTF-8, behind out. */
void append_utf8(std::string &out, uint32_t code_point);

#endif
