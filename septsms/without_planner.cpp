/* A build whose library has no planner (the cross builds, which have no
 * utf8proc) says so plainly, once, rather than fail at each text. */
#include "planning.h"

int check_planner(const plan_request &)
{
    problem("this build has no planner (its library was built without utf8proc)");
    return EXIT_REFUSED;
}

int plan_one(const plan_request &, const std::string &, planned &out, bool)
{
    out.why = "this build has no planner";
    return EXIT_REFUSED;
}

/* Never reached: check_planner stops every command that sends before it
 * reads a text. */
int submit_part(const plan_request &, const std::string &, const planned &, size_t, const septcvt_tpdu &, uint8_t *,
                size_t, size_t *, size_t *, septcvt_tpdu_fault *)
{
    return SEPTCVT_BAD_ARGUMENT;
}

int smpp_part(const plan_request &, const std::string &, const planned &, size_t, int, const septcvt_smpp_settings &,
              septcvt_smpp_message &)
{
    return SEPTCVT_BAD_ARGUMENT;
}

int smpp_payload(const plan_request &, const std::string &, const planned &, const septcvt_smpp_settings &,
                 std::vector<uint8_t> &, int &, int &)
{
    return SEPTCVT_BAD_ARGUMENT;
}
