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

// Xvfb on a display number it picks itself, so that parallel runs never meet;
// stopped with the object.
class PrivateXServer {
public:
    PrivateXServer() = default;
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;
    ~PrivateXServer();

    // False, with the reason in `error`, when no server came up within 20 s.
    bool Start(std::string& error);
    // ":N" once started.
    const std::string& Display() const { return display; }

private:
    pid_t pid = -1;
    std::string display;
};
