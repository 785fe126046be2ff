// The error box on a virtual X server, in the program that the dialog tests
// start again on a private X server: the box is found on the display by its title,
// as a player would see it, and closed with Escape.

#include "backend/dialog/GtkMessageBox.h"
#include "backend/dialog/LauncherDialog.h"
#include "backend/window/MessageBox.h"
#include "backend/window/WindowTypes.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <unistd.h>

namespace dialogtest {

namespace {

constexpr const char* CAPTION = "Vantrel error box";
constexpr const char* TEXT = "Error loading track!";

int g_FallbackCalls = 0;

bool CountingFallback(const char* text, const char* caption)
{
    ++g_FallbackCalls;
    return backend::ShowGtkMessageBox(text, caption);
}

// Waits (at most 40 s) until a visible window titled CAPTION is on `display`,
// then ends the program with SIGTERM, or gives the box the focus and presses
// Escape in it until it is gone (a key that came before the box took its input
// is pressed again, at most 40 times). Windows are matched by the title that
// xdotool reads back: its own search misses SDL's UTF-8 titles.
std::thread CloseWhenShown(const std::string& display, bool terminate, bool& closed)
{
    return std::thread([display, terminate, &closed] {
        const std::string boxes = "boxes() { for w in $(xdotool search --onlyvisible --classname '.*'); do"
                                  " [ \"$(xdotool getwindowname $w)\" = '" +
                                  std::string(CAPTION) + "' ] && echo $w; done; }; ";
        const std::string find = "for i in $(seq 200); do [ -n \"$(boxes)\" ] && break; sleep 0.2; done; "
                                 "set -- $(boxes); [ $# -gt 0 ] || exit 1; ";
        const std::string terminateIt = "kill -TERM " + std::to_string(getpid());
        const std::string escape = "for i in $(seq 40); do set -- $(boxes); [ $# -eq 0 ] && exit 0;"
                                   " timeout 5 xdotool windowfocus --sync $1 key Escape; sleep 0.5; done; exit 1";
        const std::string command =
            "export DISPLAY='" + display + "'; exec 2>/dev/null; " + boxes + find + (terminate ? terminateIt : escape);
        closed = std::system(command.c_str()) == 0;
    });
}

} // namespace

int RunErrorBoxScenario(const std::string& name)
{
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr)
        return 2;
    const std::string server = display;
    // The test run's headless video driver is not the player's.
    unsetenv("SDL_VIDEODRIVER");
    backend::SetMessageBoxFallback(CountingFallback);
    // As in the game, SDL's handlers take SIGTERM and SIGINT.
    if (SDL_InitSubSystem(SDL_INIT_EVENTS) != 0)
        return 2;
    // errorbox-no-x11[-sigterm]: GTK's box; errorbox-x11 and errorbox-sigterm: SDL's.
    const bool gtkOnly = name.rfind("errorbox-no-x11", 0) == 0;
    const bool terminate = name.size() > 8 && name.compare(name.size() - 8, 8, "-sigterm") == 0;
    if (gtkOnly) {
        // A desktop where SDL finds neither an X server nor a helper to draw its box.
        if (!backend::OpenLauncherDisplay())
            return 2;
        unsetenv("DISPLAY");
        setenv("WAYLAND_DISPLAY", "vantrel-no-such-display", 1);
    }
    bool closed = false;
    std::thread closer = CloseWhenShown(server, terminate, closed);
    const bool shown = backend::ShowMessageBox(nullptr, TEXT, CAPTION, backend::MB_OK);
    closer.join();
    std::fprintf(stderr, "box drawn by %s\n", g_FallbackCalls > 0 ? "GTK" : "SDL");
    if (!shown || !closed) {
        std::fprintf(stderr, "scenario %s: shown %d, found and closed %d\n", name.c_str(), shown, closed);
        return 1;
    }
    if (gtkOnly && g_FallbackCalls != 1) {
        std::fprintf(stderr, "scenario %s: the GTK box was not asked for\n", name.c_str());
        return 1;
    }
    return 0;
}

} // namespace dialogtest
