#include "ChildProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

// A loaded machine may take its time to start a server.
constexpr int START_S = 60;
// gdb's own start on a loaded machine, and its reading of the driver's symbols.
constexpr int BACKTRACE_S = 120;

pid_t SpawnInGroup(const std::vector<std::string>& arguments, posix_spawn_file_actions_t* actions)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t child = -1;
    const int spawned = posix_spawnp(&child, argv[0], actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    return spawned == 0 ? child : -1;
}

// True once the server of display `number` answers a client, which waits at
// most `seconds` for it (a server still starting takes connections before it
// answers them).
bool ServerAnswers(const std::string& number, int seconds)
{
    bool timedOut = false;
    return RunBounded({"xdpyinfo", "-display", ":" + number}, seconds, &timedOut, "/dev/null") == 0;
}

} // namespace

int RunBounded(const std::vector<std::string>& arguments, int seconds, bool* timedOut, const std::string& outputFile)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!outputFile.empty()) {
        posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    }
    const pid_t child = SpawnInGroup(arguments, &actions);
    posix_spawn_file_actions_destroy(&actions);
    *timedOut = false;
    if (child < 0)
        return -1;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    *timedOut = true;
    while (std::chrono::steady_clock::now() < deadline) {
        if (waitpid(child, &status, WNOHANG) == child) {
            *timedOut = false;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (*timedOut) {
        kill(-child, SIGKILL);
        waitpid(child, &status, 0);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool HasProgram(const std::string& name)
{
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

std::string ThreadBacktraces(pid_t pid)
{
    if (!HasProgram("gdb"))
        return "(no backtraces: gdb is not installed; scripts/setup installs it)\n";
    char file[] = "/tmp/vantrel-backtraces-XXXXXX";
    const int fd = mkstemp(file);
    if (fd < 0)
        return std::string("(no backtraces: no temporary file: ") + std::strerror(errno) + ")\n";
    close(fd);
    bool timedOut = false;
    const int status = RunBounded(
        {"gdb", "-p", std::to_string(pid), "-batch", "-nx", "-ex", "info threads", "-ex", "thread apply all bt"},
        BACKTRACE_S, &timedOut, file);
    std::ifstream in(file);
    std::string traces((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    unlink(file);
    if (timedOut || status != 0)
        traces += "(gdb " + std::string(timedOut ? "did not end" : "failed") + ")\n";
    return "---- threads of process " + std::to_string(pid) + "\n" + traces;
}

PrivateXServer::~PrivateXServer()
{
    if (pid > 0) {
        kill(-pid, SIGTERM);
        // A test may have held the server still.
        kill(-pid, SIGCONT);
        waitpid(pid, nullptr, 0);
    }
}

bool PrivateXServer::Start(std::string& error, bool resetsWhenIdle)
{
    if (!HasProgram("xdpyinfo")) {
        error = "xdpyinfo is not installed; scripts/setup installs it";
        return false;
    }
    int ends[2];
    if (pipe(ends) != 0) {
        error = std::string("no pipe: ") + std::strerror(errno);
        return false;
    }
    // The server writes the display number it took to the pipe once it listens.
    // Without auto-repeat, a key that a loaded machine holds down too long is
    // still one press.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, ends[0]);
    std::vector<std::string> command = {
        "Xvfb", "-displayfd", std::to_string(ends[1]), "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-r"};
    if (!resetsWhenIdle)
        command.push_back("-noreset");
    pid = SpawnInGroup(command, &actions);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    std::string number;
    pollfd wait = {ends[0], POLLIN, 0};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(START_S);
    while (pid > 0 && number.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        if (poll(&wait, 1, 100) <= 0)
            continue;
        char buffer[16];
        const ssize_t got = read(ends[0], buffer, sizeof(buffer));
        if (got <= 0)
            break;
        number.append(buffer, size_t(got));
    }
    close(ends[0]);
    if (pid < 0 || number.find('\n') == std::string::npos) {
        error = pid < 0
                    ? "Xvfb could not be started"
                    : "Xvfb named no display within " + std::to_string(START_S) + " s (it wrote \"" + number + "\")";
        return false;
    }
    number.resize(number.find('\n'));
    const auto secondsLeft = [&] {
        return int(std::chrono::duration_cast<std::chrono::seconds>(deadline - std::chrono::steady_clock::now())
                       .count()) +
               1;
    };
    while (!ServerAnswers(number, secondsLeft())) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            pid = -1;
            error = "Xvfb on display :" + number + " ended before it answered";
            return false;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            error = "Xvfb on display :" + number + " did not answer within " + std::to_string(START_S) + " s";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    display = ":" + number;
    return true;
}
