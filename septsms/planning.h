/* A text as it goes out as SMS, worked out whole for the commands that
 * show it or send it: the plan, each part's user data and the text a
 * receiver shows, and why the plan is what it is. */
#ifndef SEPTSMS_PLANNING_H
#define SEPTSMS_PLANNING_H

#include <septcvt.h>

#include <string>
#include <vector>

#include "plan_options.h"

struct planned {
    septcvt_plan plan;
    std::vector<septcvt_part> parts;
    std::vector<septcvt_user_data> user_data; /* a part each */
    std::vector<std::string> shown;           /* each part's text, read back from its user data */
    bool concatenated = false;                /* more than one part: the reference below is in each */
    unsigned reference = 0;
    bool reference_drawn = false; /* drawn at random, not given */
    /* What ruled out the 7-bit encodings, and what went out replaced; with
     * the character index (code points before it, a UCS-2 mark not
     * counted) of each, and of plan.ran_out. */
    std::vector<septcvt_char> ruled_out;
    std::vector<uint64_t> ruled_out_index;
    std::vector<septcvt_replacement> replaced;
    std::vector<uint64_t> replaced_index;
    uint64_t ran_out_index = 0;
    /* Where a text is refused: what is wrong, and the byte where it is
     * (SEPTCVT_NO_OFFSET where no one byte is). */
    std::string why;
    uint64_t error_offset = SEPTCVT_NO_OFFSET;
};

/* Whether this build can plan, and the planner takes the request's
 * elements: EXIT_DONE, or after a problem EXIT_REFUSED (no planner) or
 * EXIT_USAGE. Asked once, before any text is read. */
int check_planner(const plan_request &request);

/* Plans text as request says, into out. EXIT_DONE; EXIT_REFUSED with
 * out.why for a text the planner refuses; EXIT_IO with out.why where no
 * random reference could be drawn. With whole, a text too long for SMS
 * parts is planned too (out.parts is then empty), for a field that takes
 * it in one piece, and no reference is drawn. */
int plan_one(const plan_request &request, const std::string &text, planned &out, bool whole = false);

/* The library's senders, for a text plan_one planned with the same
 * request: part k as SMS-SUBMIT (the arguments of septcvt_submit_part
 * after the reference), part k as submit_sm takes it, and the whole text
 * as message_payload. Each returns the library's status. */
int submit_part(const plan_request &request, const std::string &text, const planned &p, size_t k,
                const septcvt_tpdu &fields, uint8_t *out, size_t out_size, size_t *out_len, size_t *tpdu_len,
                septcvt_tpdu_fault *fault);
int smpp_part(const plan_request &request, const std::string &text, const planned &p, size_t k, int concatenation,
              const septcvt_smpp_settings &settings, septcvt_smpp_message &out);
int smpp_payload(const plan_request &request, const std::string &text, const planned &p,
                 const septcvt_smpp_settings &settings, std::vector<uint8_t> &payload, int &esm_class,
                 int &data_coding);

#endif
