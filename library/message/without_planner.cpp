/* A library built without utf8proc has no planner: it says so to callers
 * that ask at run time. */
#include "septcvt.h"

int septcvt_has_planner(void)
{
    return 0;
}

const char *septcvt_unicode_version(void)
{
    return "";
}
