#include "test_streams.h"

#include "convert.h"

#include <algorithm>
#include <cstring>
#include <sys/types.h>

namespace {

struct Source {
    std::string data;
    size_t pos;
    size_t fail_at;
};

ssize_t source_read(void *cookie, char *buf, size_t size)
{
    auto *s = static_cast<Source *>(cookie);
    if (s->pos >= s->fail_at)
        return -1;
    size_t n = std::min({size, s->data.size() - s->pos, s->fail_at - s->pos});
    memcpy(buf, s->data.data() + s->pos, n);
    s->pos += n;
    return static_cast<ssize_t>(n);
}

/* Lets ftell tell how many bytes the reader has used up. */
int source_seek(void *cookie, off64_t *offset, int whence)
{
    auto *s = static_cast<Source *>(cookie);
    off64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? static_cast<off64_t>(s->pos)
                                                               : static_cast<off64_t>(s->data.size());
    if (base + *offset < 0)
        return -1;
    s->pos = static_cast<size_t>(base + *offset);
    *offset = static_cast<off64_t>(s->pos);
    return 0;
}

int source_close(void *cookie)
{
    delete static_cast<Source *>(cookie);
    return 0;
}

struct Sink {
    std::string *out;
    size_t accept;
    bool recovers;
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

FILE *input_stream(const std::string &data, size_t fail_at)
{
    cookie_io_functions_t io = {source_read, nullptr, source_seek, source_close};
    return fopencookie(new Source{data, 0, fail_at}, "r", io);
}

FILE *output_stream(std::string *sink, size_t accept, bool buffered, bool recovers)
{
    cookie_io_functions_t io = {nullptr, sink_write, nullptr, sink_close};
    FILE *f = fopencookie(new Sink{sink, accept, recovers}, "w", io);
    /* A small buffer of odd size, so that flushes fall inside the output and
     * split UCS-2 units and escape pairs. */
    if (buffered)
        setvbuf(f, nullptr, _IOFBF, 61);
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
