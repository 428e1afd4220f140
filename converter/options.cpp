#include "command_line.h"
#include "convert.h"

int opt_unbuffered = 0;
int opt_ucs2 = 0;
int opt_reverse = 0;

int parse_options(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (arg[0] != '-')
            return 2;
        /* Only the letter after the dash counts: "-reverse" is -r, and
         * "-ru" sets only the reverse flag. */
        switch (arg[1]) {
        case 'n':
        case 'N':
            opt_unbuffered = 1;
            break;
        case 'r':
        case 'R':
            opt_reverse = 1;
            break;
        case 'u':
        case 'U':
            opt_ucs2 = 1;
            break;
        default:
            return 1;
        }
    }
    return 0;
}
