#include "test_streams.h"

#include "convert.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sys/types.h>

namespace {

struct Source {
    std::string data;
    size_t pos;
};

ssize_t source_read(void *cookie, char *buf, size_t size)
{
    auto *s = static_cast<Source *>(cookie);
    const size_t n = std::min(size, s->data.size() - s->pos);
    memcpy(buf, s->data.data() + s->pos, n);
    s->pos += n;
    return static_cast<ssize_t>(n);
}

/* Lets ftell tell how many bytes the reader has used up. */
int source_seek(void *cookie, off64_t *offset, int whence)
{
    auto *s = static_cast<Source *>(cookie);
    const off64_t base = whence == SEEK_SET ? 0
                         : whence == SEEK_CUR ? static_cast<off64_t>(s->pos)
                                              : static_cast<off64_t>(s->data.size());
    if (base + *offset < 0 || base + *offset > static_cast<off64_t>(s->data.size()))
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

FILE *memory_stream(const std::string &data)
{
    cookie_io_functions_t io = {source_read, nullptr, source_seek, source_close};
    return fopencookie(new Source{data, 0}, "r", io);
}

FILE *input_file(const std::string &data)
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
    FILE *i = input_file(in), *o = output_stream(out, NO_LIMIT, true);
    int status = conversion(i, o);
    if (fflush(o) != 0)
        status = -1;
    fclose(i);
    fclose(o);
    opt_ucs2 = 0;
    return status;
}
