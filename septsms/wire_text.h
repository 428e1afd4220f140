/* The wire's fields as septsms shows them: a fault where a TPDU or SMPP's
 * fields stop holding together, addresses, time stamps and validity. */
#ifndef SEPTSMS_WIRE_TEXT_H
#define SEPTSMS_WIRE_TEXT_H

#include <septcvt.h>

#include <string>

#include "json_lines.h"

/* What a refusal of a wire call says: "TP-UDL 160 runs past the end at
 * octet 23"; the library's own words where no field is named. */
std::string fault_text(int status, const septcvt_tpdu_fault &fault);

/* An address as text with its type: "+4917612345678", or "Shop
 * (alphanumeric)"; "none" where it is empty. */
std::string address_text(const septcvt_address &a);
json address_json(const septcvt_address &a);

/* A time stamp as "YY-MM-DD hh:mm:ss +hh:mm" (two digits of year, as sent). */
std::string time_text(const septcvt_time_stamp &t);
json time_json(const septcvt_time_stamp &t);

/* A period of seconds as weeks, days, hours, minutes and seconds: "2d 3h". */
std::string period_text(uint32_t seconds);

#endif
