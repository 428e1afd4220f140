#include "run_program.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
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

std::string slurp(FILE *f)
{
    std::string s;
    rewind(f);
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, f)) > 0;)
        s.append(buf, n);
    fclose(f);
    return s;
}

/* Forks the program with the given standard streams (out_fd -1: closed).
 * The child gets the default SIGPIPE action back: a test runner may ignore
 * the signal, and a child would inherit that. */
pid_t start(const std::vector<std::string> &args, int in_fd, int out_fd, int err_fd)
{
    fflush(nullptr);
    pid_t pid = fork();
    if (pid != 0)
        return pid;
    signal(SIGPIPE, SIG_DFL);
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
    FILE *in = file_holding(call.in), *out = tmpfile(), *err = tmpfile();
    int in_fd = call.stdin_path ? open(call.stdin_path, O_RDONLY) : fileno(in);
    int out_fd = call.close_stdout ? -1
                 : call.stdout_path ? open(call.stdout_path, O_WRONLY)
                                    : fileno(out);
    pid_t pid = start(call.args, in_fd, out_fd, fileno(err));
    Outcome o;
    finish(o, pid, err);
    if (call.stdin_path)
        close(in_fd);
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
