// The launcher dialog on a real GTK display: each test starts this program
// again on a private X server for one scenario (DialogScenarios.cpp) and
// checks that it ended well.

#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int SCENARIO_TIMEOUT_S = 90;

std::string FindProgram(const char* name)
{
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        const std::string candidate = dirs.substr(start, end - start) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return std::string();
}

struct ScenarioResult {
    bool finished = false;
    int exitCode = -1;
    int endingSignal = 0;
    std::string output;
};

// Runs this program for one scenario on `display`, or with no display at all.
ScenarioResult RunScenario(const std::string& scenario, const std::string& display)
{
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof(self) - 1);
    if (length <= 0)
        return {};
    self[length] = '\0';

    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (entry.rfind("VANTREL_LAUNCHER_SCENARIO=", 0) == 0 || entry.rfind("DISPLAY=", 0) == 0 ||
            entry.rfind("WAYLAND_DISPLAY=", 0) == 0 || entry.rfind("LC_ALL=", 0) == 0)
            continue;
        environment.push_back(entry);
    }
    environment.push_back("VANTREL_LAUNCHER_SCENARIO=" + scenario);
    if (!display.empty())
        environment.push_back("DISPLAY=" + display);
    // Only the X11 backend: a virtual X server is all there is.
    environment.push_back("GDK_BACKEND=x11");
    // A user locale that GTK would otherwise switch the program to.
    environment.push_back("LC_ALL=C.UTF-8");
    std::vector<std::string> args = {self};

    std::vector<char*> argv, envp;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (std::string& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    char outputPath[] = "/tmp/vantrel-dialog-output-XXXXXX";
    const int outputFd = mkstemp(outputPath);
    if (outputFd < 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outputFd, 1);
    posix_spawn_file_actions_adddup2(&actions, outputFd, 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);

    ScenarioResult result;
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(outputFd);
    if (spawned == 0) {
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(SCENARIO_TIMEOUT_S);
        while (std::chrono::steady_clock::now() < deadline) {
            if (waitpid(child, &status, WNOHANG) == child) {
                result.finished = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (!result.finished) {
            kill(-child, SIGKILL);
            waitpid(child, &status, 0);
        }
        if (result.finished && WIFEXITED(status))
            result.exitCode = WEXITSTATUS(status);
        if (result.finished && WIFSIGNALED(status))
            result.endingSignal = WTERMSIG(status);
    }
    std::ifstream in(outputPath);
    result.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    unlink(outputPath);
    return result;
}

class LauncherDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (FindProgram("Xvfb").empty())
            GTEST_SKIP() << "Xvfb is not installed";
        std::string error;
        ASSERT_TRUE(server.Start(error)) << error;
    }
    void ExpectScenarioPasses(const char* scenario)
    {
        const ScenarioResult result = RunScenario(scenario, server.Display());
        ASSERT_TRUE(result.finished) << scenario << " did not end within " << SCENARIO_TIMEOUT_S << " s\n"
                                     << result.output;
        EXPECT_EQ(result.exitCode, 0) << result.output;
    }

    PrivateXServer server;
};

TEST_F(LauncherDialog, KeyboardChoicesAndEnterPlay)
{
    // Tab to each control, Down in the lists, Space on a box, Enter: the
    // choices reach the model, the enable rules follow them live.
    ExpectScenarioPasses("keyboard");
}

TEST_F(LauncherDialog, EscapeQuits)
{
    ExpectScenarioPasses("escape");
}

TEST_F(LauncherDialog, ClosingTheWindowQuits)
{
    ExpectScenarioPasses("close");
}

TEST_F(LauncherDialog, EnterIsRefusedWhileThereIsNothingToPlay)
{
    ExpectScenarioPasses("refused");
}

// A fatal error's box, found on the display by its title and closed with
// Escape, and its text on stderr: drawn by SDL where it can, by GTK where SDL
// finds no X server and no helper program. SIGTERM while either box is up
// ends the program and takes the box with it.
TEST_F(LauncherDialog, ErrorBoxIsShownAndItsTextGoesToStderr)
{
    if (FindProgram("xdotool").empty())
        GTEST_SKIP() << "xdotool is not installed";
    for (const std::string scenario :
         {"errorbox-x11", "errorbox-no-x11", "errorbox-sigterm", "errorbox-no-x11-sigterm"}) {
        const ScenarioResult result = RunScenario(scenario, server.Display());
        ASSERT_TRUE(result.finished) << scenario << " did not end within " << SCENARIO_TIMEOUT_S << " s\n"
                                     << result.output;
        if (scenario.ends_with("-sigterm"))
            EXPECT_EQ(result.endingSignal, SIGTERM) << "exit code " << result.exitCode << "\n" << result.output;
        else
            EXPECT_EQ(result.exitCode, 0) << scenario << "\n" << result.output;
        EXPECT_NE(result.output.find("Vantrel error box: Error loading track!\n"), std::string::npos) << result.output;
    }
    // No box outlives its program (SDL draws its box in a process of its own).
    const std::string stillShown = "DISPLAY='" + server.Display() +
                                   "' xdotool search --onlyvisible --classname '.*' 2>/dev/null |"
                                   " while read w; do DISPLAY='" +
                                   server.Display() +
                                   "' xdotool getwindowname $w; done | grep -q '^Vantrel error box$'";
    int shownFor = 0;
    while (shownFor < 50 && std::system(stillShown.c_str()) == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ++shownFor;
    }
    EXPECT_LT(shownFor, 50) << "an error box is still on the display 5 s after its program ended";
}

TEST(LauncherDialogWithoutDisplay, ReportsFailureInsteadOfOpening)
{
    const ScenarioResult result = RunScenario("nodisplay", std::string());
    ASSERT_TRUE(result.finished) << result.output;
    EXPECT_EQ(result.exitCode, 0) << result.output;
}

} // namespace
