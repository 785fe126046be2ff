#pragma once
// Helper programs of the tests that drive the real program: bounded runs in
// their own process group, and a private X server.

#include <string>
#include <sys/types.h>
#include <vector>

// Runs the command in its own process group, its output (stdout and stderr)
// to `outputFile` when one is named; kills the group after `seconds`. The
// exit status, -1 when the command did not exit by itself.
int RunBounded(const std::vector<std::string>& arguments, int seconds, bool* timedOut,
               const std::string& outputFile = "");

// True when `name` is a program on the PATH.
bool HasProgram(const std::string& name);

// Every thread's backtrace in process `pid` (a child of this one), as gdb
// prints it in batch mode, or why there is none: what a process that hangs was
// doing, for the failure that reports it before it is killed.
std::string ThreadBacktraces(pid_t pid);

// Xvfb on a display number it picks itself (-displayfd), so that it never
// meets another server on the machine; stopped with the object.
class PrivateXServer {
public:
    PrivateXServer() = default;
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;
    ~PrivateXServer();

    // Once the server answers a client: true. False, with the reason in
    // `error`, when none did within a minute. Unless `resetsWhenIdle`, the
    // server keeps its state when its last client leaves (-noreset), so that
    // the next client need not wait for a reset.
    bool Start(std::string& error, bool resetsWhenIdle = false);
    // ":N" once started.
    const std::string& Display() const { return display; }
    // The server's process, -1 when none runs.
    pid_t Pid() const { return pid; }

private:
    pid_t pid = -1;
    std::string display;
};
