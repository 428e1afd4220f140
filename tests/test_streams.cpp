#include "test_streams.h"

#include "convert.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sys/types.h>

namespace {

struct Sink {
    std::string *out;
    size_t accept;
    bool recovers;
    char buffer[61];
};

ssize_t sink_write(void *cookie, const char *buf, size_t size)
{
    auto *s = static_cast<Sink *>(cookie);
    size_t room = s->accept - std::min(s->accept, s->out->size());
    /* A write function reports failure as 0: glibc mishandles a negative
     * count on unbuffered cookie streams. */
    if (room == 0) {
        if (s->recovers)
            s->accept = NO_LIMIT;
        return 0;
    }
    size_t n = std::min(size, room);
    s->out->append(buf, n);
    return static_cast<ssize_t>(n);
}

int sink_close(void *cookie)
{
    delete static_cast<Sink *>(cookie);
    return 0;
}

} // namespace

FILE *input_stream(const std::string &data)
{
    FILE *f = tmpfile();
    if (f == nullptr || fwrite(data.data(), 1, data.size(), f) != data.size() || fflush(f) != 0)
        abort(); /* no place for test input: nothing can be tested */
    rewind(f);
    return f;
}

FILE *output_stream(std::string *sink, size_t accept, bool buffered, bool recovers)
{
    cookie_io_functions_t io = {nullptr, sink_write, nullptr, sink_close};
    Sink *s = new Sink{sink, accept, recovers, {}};
    FILE *f = fopencookie(s, "w", io);
    /* A small buffer of odd size, so that flushes fall inside the output and
     * split UCS-2 units and escape pairs. The stream library takes the size
     * only together with a buffer. */
    if (buffered)
        setvbuf(f, s->buffer, _IOFBF, sizeof s->buffer);
    else
        setvbuf(f, nullptr, _IONBF, 0);
    return f;
}

int convert_in_memory(int (*conversion)(FILE *, FILE *), bool ucs2, const std::string &in,
                      std::string *out)
{
    opt_ucs2 = ucs2;
    FILE *i = input_stream(in), *o = output_stream(out, NO_LIMIT, true);
    int status = conversion(i, o);
    if (fflush(o) != 0)
        status = -1;
    fclose(i);
    fclose(o);
    opt_ucs2 = 0;
    return status;
}
