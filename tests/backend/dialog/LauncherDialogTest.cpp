// The launcher dialog on a real GTK display: each test starts this program
// again on a private X server for one scenario (DialogScenarios.cpp) and
// checks that it ended well.

#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int SCENARIO_TIMEOUT_S = 90;

struct ScenarioResult {
    bool finished = false;
    int exitCode = -1; // 128 + the signal that ended it, as a shell reports it
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
    char outputPath[] = "/tmp/vantrel-dialog-output-XXXXXX";
    const int outputFd = mkstemp(outputPath);
    if (outputFd < 0)
        return {};
    close(outputFd);
    // Through a shell, so that a signal that ends the program reads as 128 + its number; with only the
    // X11 backend (a virtual X server is all there is), and a locale GTK would otherwise switch the
    // program to.
    const std::string run = "env -u DISPLAY -u WAYLAND_DISPLAY VANTREL_LAUNCHER_SCENARIO=\"$1\" GDK_BACKEND=x11 "
                            "LC_ALL=C.UTF-8 ${2:+\"DISPLAY=$2\"} \"$0\"; exit $?";
    ScenarioResult result;
    bool timedOut = false;
    result.exitCode = RunBounded({"sh", "-c", run, self, scenario, display}, SCENARIO_TIMEOUT_S, &timedOut, outputPath);
    result.finished = !timedOut;
    std::ifstream in(outputPath);
    result.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    unlink(outputPath);
    return result;
}

class LauncherDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!HasProgram("Xvfb"))
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

// keyboard: Tab to each control, Down in the lists, Space on a box, Enter: the choices reach the model, the
// enable rules follow them live. escape, close: Escape and closing the window quit. refused: Enter is refused
// while there is nothing to play.
class LauncherScenario : public LauncherDialog, public ::testing::WithParamInterface<const char*> {};

TEST_P(LauncherScenario, EndsAsExpected)
{
    ExpectScenarioPasses(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Dialog, LauncherScenario, ::testing::Values("keyboard", "escape", "close", "refused"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

// A fatal error's box, found on the display by its title and closed with
// Escape, and its text on stderr: drawn by SDL where it can, by GTK where SDL
// finds no X server and no helper program. SIGTERM while either box is up
// ends the program and takes the box with it.
TEST_F(LauncherDialog, ErrorBoxIsShownAndItsTextGoesToStderr)
{
    if (!HasProgram("xdotool"))
        GTEST_SKIP() << "xdotool is not installed";
    for (const std::string scenario :
         {"errorbox-x11", "errorbox-no-x11", "errorbox-sigterm", "errorbox-no-x11-sigterm"}) {
        const ScenarioResult result = RunScenario(scenario, server.Display());
        ASSERT_TRUE(result.finished) << scenario << " did not end within " << SCENARIO_TIMEOUT_S << " s\n"
                                     << result.output;
        EXPECT_EQ(result.exitCode, scenario.ends_with("-sigterm") ? 128 + SIGTERM : 0) << scenario << "\n"
                                                                                       << result.output;
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
