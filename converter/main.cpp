#include <cstdio>

#include "command_line.h"
#include "convert.h"
#include "stream_io.h"

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
    if (opt_unbuffered) {
        /* Before any byte moves: each byte or unit then passes at once. */
        setvbuf(stdin, nullptr, _IONBF, 0);
        setvbuf(stdout, nullptr, _IONBF, 0);
    }
    return run_conversion(stdin, stdout);
}
