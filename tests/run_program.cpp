#include "run_program.h"

#include <algorithm>
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

std::vector<std::string> program_command()
{
    std::vector<std::string> words;
    const char *command = getenv("SEPTCVT_COMMAND");
    std::istringstream split(command && *command ? command : SEPTCVT_PATH);
    for (std::string w; split >> w;)
        words.push_back(w);
    return words;
}

bool target_is_windows()
{
    const char *target = getenv("SEPTCVT_TARGET");
    return target && std::string(target) == "windows";
}

namespace {

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

/* In the child: std streams set up, the default SIGPIPE action back (a test
 * runner may ignore it, and the child would inherit that), then exec. */
[[noreturn]] void exec_program(const std::vector<std::string> &args, int in_fd, int out_fd,
                               int err_fd)
{
    signal(SIGPIPE, SIG_DFL);
    dup2(in_fd, 0);
    if (out_fd >= 0)
        dup2(out_fd, 1);
    else
        close(1);
    dup2(err_fd, 2);
    std::vector<std::string> words = program_command();
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

void finish(Outcome &o, pid_t pid)
{
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    if (WIFEXITED(wstatus)) {
        o.status = WEXITSTATUS(wstatus);
    } else if (WIFSIGNALED(wstatus)) {
        o.signal = WTERMSIG(wstatus);
    }
}

} // namespace

Outcome run_program(const Invocation &call)
{
    FILE *in = tmpfile(), *out = tmpfile(), *err = tmpfile();
    fwrite(call.in.data(), 1, call.in.size(), in);
    fflush(in);
    rewind(in);
    int in_fd = call.stdin_path ? open(call.stdin_path, O_RDONLY) : fileno(in);
    int out_fd = call.close_stdout ? -1
                 : call.stdout_path ? open(call.stdout_path, O_WRONLY)
                                    : fileno(out);
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0)
        exec_program(call.args, in_fd, out_fd, fileno(err));
    Outcome o;
    finish(o, pid);
    if (call.stdin_path)
        close(in_fd);
    if (call.stdout_path)
        close(out_fd);
    fclose(in);
    o.out = slurp(out);
    o.err = slurp(err);
    return o;
}

Outcome run_into_closed_pipe(const std::vector<std::string> &args, const std::string &in,
                             size_t limit)
{
    FILE *src = tmpfile(), *err = tmpfile();
    fwrite(in.data(), 1, in.size(), src);
    fflush(src);
    rewind(src);
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0)
        return {};
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        close(pipe_fds[0]);
        exec_program(args, fileno(src), pipe_fds[1], fileno(err));
    }
    close(pipe_fds[1]);
    Outcome o;
    char buf[256];
    while (o.out.size() < limit) {
        ssize_t n = read(pipe_fds[0], buf, std::min(sizeof buf, limit - o.out.size()));
        if (n <= 0)
            break;
        o.out.append(buf, static_cast<size_t>(n));
    }
    close(pipe_fds[0]);
    finish(o, pid);
    fclose(src);
    o.err = slurp(err);
    return o;
}

Outcome run_with_open_input(const std::vector<std::string> &args, const std::string &in,
                            size_t want, int timeout_ms)
{
    FILE *err = tmpfile();
    int to_child[2], from_child[2];
    if (pipe(to_child) != 0 || pipe(from_child) != 0)
        return {};
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        close(to_child[1]);
        close(from_child[0]);
        exec_program(args, to_child[0], from_child[1], fileno(err));
    }
    close(to_child[0]);
    close(from_child[1]);
    Outcome o;
    if (write(to_child[1], in.data(), in.size()) == static_cast<ssize_t>(in.size())) {
        pollfd ready = {from_child[0], POLLIN, 0};
        char buf[256];
        while (o.out.size() < want && poll(&ready, 1, timeout_ms) > 0) {
            ssize_t n = read(from_child[0], buf, sizeof buf);
            if (n <= 0)
                break;
            o.out.append(buf, static_cast<size_t>(n));
        }
    }
    close(to_child[1]);
    char drain[256];
    while (read(from_child[0], drain, sizeof drain) > 0) {
    }
    close(from_child[0]);
    finish(o, pid);
    o.err = slurp(err);
    return o;
}
