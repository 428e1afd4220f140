#include <cstdio>

#include "command_line.h"
#include "convert.h"
#include "platform.h"

int main(int argc, char **argv)
{
    if (parse_options(argc, argv) != 0) {
        print_banner();
        fprintf(stderr, USAGE_FORMAT, PROGRAM_NAME);
        return 2;
    }

    set_binary_mode(stdin);
    set_binary_mode(stdout);
    ignore_broken_pipe();
    /* Input is read from the descriptor, as needed; output goes to the
     * system at once, a character per write. */
    if (opt_unbuffered)
        set_unbuffered(stdout);
    return run_conversion(stdin, stdout);
}
