/* Standard output, written through the platform layer: every write is
 * checked, and the first failure ends the output. */
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "io.h"
#include "platform.h"

static bool failed = false;

static int fail(int error)
{
    failed = true;
    problem("cannot write the output: %s", error != 0 ? strerror(error) : "nothing was written");
    return EXIT_IO;
}

int write_out(const std::string &bytes)
{
    if (failed)
        return EXIT_IO;
    errno = 0;
    const auto *data = reinterpret_cast<const uint8_t *>(bytes.data());
    return write_output(stream_descriptor(stdout), data, bytes.size()) == 0 ? EXIT_DONE : fail(errno);
}

int finish_output()
{
    if (failed)
        return EXIT_IO;
    errno = 0;
    return close_output(stream_descriptor(stdout)) == 0 ? EXIT_DONE : fail(errno);
}
