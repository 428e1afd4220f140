/* A build whose library has no planner (the cross builds, which have no
 * utf8proc) says so plainly, once, rather than fail at each text. */
#include "planning.h"

int check_planner(const plan_request &)
{
    problem("this build has no planner (its library was built without utf8proc)");
    return EXIT_REFUSED;
}

int plan_one(const plan_request &, const std::string &, planned &out)
{
    out.why = "this build has no planner";
    return EXIT_REFUSED;
}
