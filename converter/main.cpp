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
    /* Both streams are used through their descriptors, past their buffers;
     * -n is the driver's: a byte per read, a character per write. */
    return run_conversion(stdin, stdout);
}
