#pragma once
// Tests of the single-instance guard need a second running copy: the test
// program starts itself again with VANTREL_SECOND_COPY set to a role, and the
// role runs before main (RunSecondCopyIfAsked from a static initialiser) and
// ends the process with its exit code. Lines go through the copy's stdin and
// stdout.

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace secondcopy {

constexpr const char* ROLE_VARIABLE = "VANTREL_SECOND_COPY";

struct Copy {
    pid_t pid = -1;
    int input = -1;  // its stdin
    int output = -1; // its stdout
};

// Before main: runs `role` when this process is a second copy.
inline bool RunSecondCopyIfAsked(int (*runRole)(const std::string& role))
{
    const char* role = std::getenv(ROLE_VARIABLE);
    if (!role)
        return false;
    _exit(runRole(role));
}

inline Copy Start(const std::string& role)
{
    Copy copy;
    int toCopy[2], fromCopy[2];
    if (pipe2(toCopy, O_CLOEXEC) != 0)
        return copy;
    if (pipe2(fromCopy, O_CLOEXEC) != 0) {
        close(toCopy[0]);
        close(toCopy[1]);
        return copy;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toCopy[0], 0);
    posix_spawn_file_actions_adddup2(&actions, fromCopy[1], 1);

    std::vector<std::string> variables;
    for (char** variable = environ; *variable; ++variable)
        if (std::strncmp(*variable, ROLE_VARIABLE, std::strlen(ROLE_VARIABLE)) != 0)
            variables.emplace_back(*variable);
    variables.push_back(std::string(ROLE_VARIABLE) + "=" + role);
    std::vector<char*> environment;
    for (std::string& variable : variables)
        environment.push_back(variable.data());
    environment.push_back(nullptr);
    char program[] = "/proc/self/exe";
    char* arguments[] = {program, nullptr};

    if (posix_spawn(&copy.pid, program, &actions, nullptr, arguments, environment.data()) != 0)
        copy.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(toCopy[0]);
    close(fromCopy[1]);
    copy.input = toCopy[1];
    copy.output = fromCopy[0];
    return copy;
}

// One line without its newline; empty on timeout or end of file.
inline std::string ReadLine(int descriptor, int timeoutMs)
{
    std::string line;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd poller{descriptor, POLLIN, 0};
        if (poll(&poller, 1, 10) <= 0)
            continue;
        char c;
        if (read(descriptor, &c, 1) != 1)
            break;
        if (c == '\n')
            return line;
        line += c;
    }
    return line;
}

inline bool WriteLine(int descriptor, const std::string& text)
{
    std::string line = text + "\n";
    return write(descriptor, line.data(), line.size()) == ssize_t(line.size());
}

// The exit code, or -1 when the copy did not end in time. `whileWaiting` runs
// between the checks (the first copy keeps serving its messages).
template <typename Callback> inline int Wait(Copy& copy, int timeoutMs, Callback whileWaiting)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        pid_t done = waitpid(copy.pid, &status, WNOHANG);
        if (done == copy.pid) {
            copy.pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        whileWaiting();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return -1;
}

inline void Stop(Copy& copy)
{
    if (copy.pid > 0) {
        kill(copy.pid, SIGKILL);
        waitpid(copy.pid, nullptr, 0);
        copy.pid = -1;
    }
    if (copy.input >= 0)
        close(copy.input);
    if (copy.output >= 0)
        close(copy.output);
    copy.input = copy.output = -1;
}

// A name no other test run uses.
inline std::string UniqueScope(const char* test)
{
    static int counter = 0;
    return std::string("-") + test + "-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
}

} // namespace secondcopy
