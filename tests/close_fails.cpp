/* Preloaded into the program under test (LD_PRELOAD): closing standard
 * output closes it, then fails with EIO, as a network file system reports a
 * write that the server refused. */
#include <cerrno>
#include <cstring>
#include <dlfcn.h>

extern "C" int close(int fd)
{
    int (*next)(int);
    void *symbol = dlsym(RTLD_NEXT, "close");
    memcpy(&next, &symbol, sizeof next); /* a data pointer to a function pointer */
    const int status = next(fd);
    if (fd != 1)
        return status;
    errno = EIO;
    return -1;
}
