#include "tests/support/RunProgram.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

void CloseFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

int MillisecondsLeft(std::chrono::steady_clock::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

} // namespace

std::string ProgramRun::Describe() const
{
    std::string text = command;
    if (!started)
        text += ": not started";
    else if (timedOut)
        text += ": killed after the time limit";
    else
        text += ": exit code " + std::to_string(exitCode);
    return text + "\n" + output;
}

std::string FindOnPath(const std::string& name)
{
    if (name.find('/') != std::string::npos)
        return ::access(name.c_str(), X_OK) == 0 ? name : std::string();
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        std::string folder = folders.substr(start, end - start);
        if (folder.empty())
            folder = ".";
        const std::string candidate = folder + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return {};
}

ProgramRun RunProgram(const std::vector<std::string>& args, const std::string& input, std::chrono::milliseconds limit)
{
    ProgramRun run;
    for (const std::string& arg : args)
        run.command += (run.command.empty() ? "" : " ") + arg;
    if (args.empty())
        return run;

    int in[2] = {-1, -1};
    int out[2] = {-1, -1};
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
        run.output = std::string("pipe: ") + std::strerror(errno);
        CloseFd(in[0]);
        CloseFd(in[1]);
        return run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
    // This process ignores SIGPIPE (below); the program gets the default back, as from a shell.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = ::posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    CloseFd(in[0]);
    CloseFd(out[1]);
    if (rc != 0) {
        run.output = std::string("cannot start: ") + std::strerror(rc);
        CloseFd(in[1]);
        CloseFd(out[0]);
        return run;
    }
    run.started = true;

    // A program that stops reading its input must not stall the writer, nor one that fills the output
    // pipe before reading: both pipes are served in one loop. A program that exits before it read
    // all its input must not kill this process with SIGPIPE either.
    ::signal(SIGPIPE, SIG_IGN);
    ::fcntl(in[1], F_SETFL, O_NONBLOCK);
    if (input.empty())
        CloseFd(in[1]);
    size_t written = 0;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (out[0] >= 0) {
        pollfd fds[2] = {{out[0], POLLIN, 0}, {in[1], POLLOUT, 0}};
        const int ready = ::poll(fds, in[1] >= 0 ? 2 : 1, MillisecondsLeft(deadline));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            run.timedOut = true;
            break;
        }
        if (fds[0].revents) {
            char buffer[4096];
            const ssize_t got = ::read(out[0], buffer, sizeof buffer);
            if (got > 0)
                run.output.append(buffer, static_cast<size_t>(got));
            else if (got == 0 || errno != EINTR)
                CloseFd(out[0]);
        }
        if (in[1] >= 0 && fds[1].revents) {
            const ssize_t put = ::write(in[1], input.data() + written, input.size() - written);
            if (put > 0)
                written += static_cast<size_t>(put);
            // A closed input (EPIPE) only means the program did not want the rest.
            if (written == input.size() || (put < 0 && errno != EAGAIN && errno != EINTR))
                CloseFd(in[1]);
        }
    }
    CloseFd(in[1]);
    CloseFd(out[0]);
    // A program may close its output and still run; it gets what is left of the time.
    int status = 0;
    pid_t ended = 0;
    while (!run.timedOut && (ended = ::waitpid(pid, &status, WNOHANG)) == 0) {
        if (MillisecondsLeft(deadline) == 0)
            run.timedOut = true;
        else
            ::usleep(5000);
    }
    if (run.timedOut) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
    } else if (ended == pid && WIFEXITED(status)) {
        run.exitCode = WEXITSTATUS(status);
    }
    return run;
}
