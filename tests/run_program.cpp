#include "run_program.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#ifndef SEPTCVT_PATH
#error "SEPTCVT_PATH names the program under test"
#endif

bool target_is_windows()
{
    const char *target = getenv("SEPTCVT_TARGET");
    return target && std::string(target) == "windows";
}

namespace {

FILE *file_holding(const std::string &bytes)
{
    FILE *f = tmpfile();
    fwrite(bytes.data(), 1, bytes.size(), f);
    fflush(f);
    rewind(f);
    return f;
}

/* What is left of a descriptor from its offset on. */
std::string read_rest(int fd)
{
    std::string s;
    char buf[4096];
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;)
        s.append(buf, static_cast<size_t>(n));
    return s;
}

std::string slurp(FILE *f)
{
    rewind(f);
    std::string s = read_rest(fileno(f));
    fclose(f);
    return s;
}

/* Forks the program with the given standard streams (out_fd -1: closed).
 * The child gets the default SIGPIPE action back: a test runner may ignore
 * the signal, and a child would inherit that. */
pid_t start(const std::vector<std::string> &args, int in_fd, int out_fd, int err_fd, long size_limit = -1)
{
    fflush(nullptr);
    pid_t pid = fork();
    if (pid != 0)
        return pid;
    signal(SIGPIPE, SIG_DFL);
    if (size_limit >= 0) {
        /* A write past the limit then fails with EFBIG instead of killing. */
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit = {static_cast<rlim_t>(size_limit), static_cast<rlim_t>(size_limit)};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    dup2(in_fd, 0);
    if (out_fd >= 0)
        dup2(out_fd, 1);
    else
        close(1);
    dup2(err_fd, 2);
    const char *command = getenv("SEPTCVT_COMMAND");
    std::istringstream split(command && *command ? command : SEPTCVT_PATH);
    std::vector<std::string> words;
    for (std::string w; split >> w;)
        words.push_back(w);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

void finish(Outcome &o, pid_t pid, FILE *err)
{
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    if (WIFEXITED(wstatus))
        o.status = WEXITSTATUS(wstatus);
    else if (WIFSIGNALED(wstatus))
        o.signal = WTERMSIG(wstatus);
    o.err = slurp(err);
}

} // namespace

Outcome run_program(const Invocation &call)
{
    FILE *in = file_holding(call.pipe_chunk ? "" : call.in), *out = tmpfile(), *err = tmpfile();
    int to_child[2] = {-1, -1};
    if (call.pipe_chunk && pipe2(to_child, O_CLOEXEC) != 0)
        return {};
    const int in_fd = call.stdin_path ? open(call.stdin_path, O_RDONLY) : call.pipe_chunk ? to_child[0] : fileno(in);
    const int out_fd = call.close_stdout ? -1 : call.stdout_path ? open(call.stdout_path, O_WRONLY) : fileno(out);
    const pid_t pid = start(call.args, in_fd, out_fd, fileno(err), call.size_limit);
    Outcome o;
    if (call.pipe_chunk) {
        /* Small writes a little apart, so the program meets short reads. The
         * read end stays open here: what the program leaves stays in it. */
        for (size_t at = 0; at < call.in.size(); at += call.pipe_chunk) {
            const size_t n = std::min(call.pipe_chunk, call.in.size() - at);
            if (write(to_child[1], call.in.data() + at, n) != static_cast<ssize_t>(n))
                break;
            usleep(200);
        }
        close(to_child[1]);
    }
    finish(o, pid, err);
    o.rest = read_rest(in_fd);
    if (call.stdin_path)
        close(in_fd);
    if (call.pipe_chunk)
        close(to_child[0]);
    if (call.stdout_path)
        close(out_fd);
    fclose(in);
    o.out = slurp(out);
    return o;
}

Outcome run_piped(const std::vector<std::string> &args, const std::string &in, size_t want,
                  int timeout_ms, bool open_input)
{
    FILE *src = file_holding(open_input ? "" : in), *err = tmpfile();
    /* Close-on-exec, so that the child holds no end but its own two: a
     * write end left open in it would keep its input from ever ending. */
    int to_child[2] = {-1, -1}, from_child[2];
    if ((open_input && pipe2(to_child, O_CLOEXEC) != 0) || pipe2(from_child, O_CLOEXEC) != 0)
        return {};
    pid_t pid = start(args, open_input ? to_child[0] : fileno(src), from_child[1], fileno(err));
    close(from_child[1]);
    Outcome o;
    bool fed = true;
    if (open_input) {
        close(to_child[0]);
        fed = write(to_child[1], in.data(), in.size()) == static_cast<ssize_t>(in.size());
    }
    pollfd ready = {from_child[0], POLLIN, 0};
    char buf[256];
    while (fed && o.out.size() < want && poll(&ready, 1, timeout_ms) > 0) {
        ssize_t n = read(from_child[0], buf, std::min(sizeof buf, want - o.out.size()));
        if (n <= 0)
            break;
        o.out.append(buf, static_cast<size_t>(n));
    }
    if (open_input)
        close(to_child[1]);
    close(from_child[0]);
    fclose(src);
    finish(o, pid, err);
    return o;
}

std::vector<std::string> run_interactive(const std::vector<std::string> &args,
                                         const std::vector<std::string> &pieces, int wait_ms)
{
    FILE *err = tmpfile();
    int to_child[2], from_child[2];
    if (pipe2(to_child, O_CLOEXEC) != 0 || pipe2(from_child, O_CLOEXEC) != 0)
        return {};
    const pid_t pid = start(args, to_child[0], from_child[1], fileno(err));
    close(to_child[0]);
    close(from_child[1]);
    std::vector<std::string> seen;
    for (const std::string &piece : pieces) {
        std::string got;
        if (write(to_child[1], piece.data(), piece.size()) == static_cast<ssize_t>(piece.size())) {
            /* The first piece waits out the program's start (an emulator's
             * too); after that, output is what comes within wait_ms. */
            pollfd ready = {from_child[0], POLLIN, 0};
            char buf[256];
            ssize_t n;
            for (int wait = seen.empty() ? 10000 : wait_ms;
                 poll(&ready, 1, wait) > 0 && (n = read(from_child[0], buf, sizeof buf)) > 0; wait = wait_ms)
                got.append(buf, static_cast<size_t>(n));
        }
        seen.push_back(got);
    }
    close(to_child[1]);
    close(from_child[0]);
    Outcome o;
    finish(o, pid, err);
    return seen;
}
