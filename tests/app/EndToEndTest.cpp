// The real program under Xvfb, driven with real key events: launcher, logo,
// title, menu, options, credits, a race on UK Dirt Track paused and left, quit,
// while another copy of the game (with a lock folder of its own, as a
// player's) shows its window of the same name on the same display, and a copy
// started beside it in its launcher gives way once the game window exists: the
// run finds its windows by process id and says what it saw when it finds none.
// Then again with menu music that once trapped the Ogg reader on tmpfs for
// good: the game must reach the menu (or end with its message) and quit on
// SIGTERM. Screenshots of every screen are kept in <build>/artefacts/end-to-end/
// for review. The run has its own lock folder and, where it may, its own
// network namespace, so that the game's single-instance names do not meet
// another run's on the same host. Failed runs (a damaged track, no display
// for the launcher) must end with a failure status.

#include "ScreenDump.h"
#include "app/SoundConfig.h"
#include "backend/files/Files.h"
#include "datagen/writers/FileWriter.h"
#include "datagen/writers/GameConfigWriter.h"
#include "datagen/writers/OggWriter.h"
#include "datagen/writers/PngWriter.h"
#include "datagen/writers/SoundConfigWriter.h"
#include "datagen/writers/SoundSynth.h"
#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// clang-format off
// What every run's script starts with: the environment, the step log, keys,
// screenshots, finding the windows of a process, and the display answering.
const char* const SCRIPT_KIT = R"SCRIPT(#!/bin/bash
# $1 program folder, $2 screenshot folder.
cd "$1" || exit 2
# The game's own choice of rasteriser threads, not the caller's.
unset SDL_VIDEODRIVER LP_NUM_THREADS
export ALSOFT_DRIVERS=null LIBGL_ALWAYS_SOFTWARE=1
# In a sanitizer build: what the system's toolkit and drivers keep until exit is theirs.
export LSAN_OPTIONS="suppressions=$1/lsan.supp:print_suppressions=0"
shots="$2"
log() { echo "$*" >> "$shots/steps.txt"; }
key() { xdotool keydown "$1"; sleep "$KEY_HOLD"; xdotool keyup "$1"; sleep 0.35; }
shot() { xwd -root -silent > "$shots/$1.xwd"; }
# The visible windows named Vantrel of process $1.
visible() { xdotool search --all --onlyvisible --pid "$1" --name '^Vantrel$' 2>/dev/null; }
# The visible windows named Vantrel of any process but window $1, found by class: xdotool's
# search by name misses SDL's UTF-8 titles (its error box, drawn by a process of its own).
named() {
  for w in $(xdotool search --onlyvisible --classname '.*' 2>/dev/null); do
    [ "$w" != "$1" ] && [ "$(xdotool getwindowname "$w" 2>/dev/null)" = Vantrel ] && echo "$w"
  done
}
# Closes with Escape every window named() finds but window $1, one at a time.
close_named() {
  for i in $(seq 40); do
    set -- "$1" $(named "$1"); [ $# -eq 1 ] && break
    timeout 5 xdotool windowfocus --sync "$2" key Escape; sleep 0.5
  done
}
# A window of process $1 other than $2, waited for up to 60 s (a cold start on a busy
# two-core machine took over 30) while the process runs; nothing when none came.
window_of() {
  for i in $(seq 300); do
    for w in $(visible "$1"); do [ "$w" != "$2" ] && { echo "$w"; return; }; done
    kill -0 "$1" 2>/dev/null || return
    sleep 0.2
  done
}
# Waits (up to 10 s) until the condition $1 holds; false when it did not.
until_true() {
  for i in $(seq 50); do eval "$1" && return 0; sleep 0.2; done
  return 1
}
# Waits (up to 30 s) until the game window $1 has its size: it may show before it takes it.
until_sized() {
  for i in $(seq 150); do
    [ "$(xdotool getwindowgeometry "$1" 2>/dev/null | awk '/Geometry/ { print $2 }')" = 800x600 ] && return 0
    sleep 0.2
  done
  return 1
}
# The share in % of the bytes of the 800 x 600 game window $1's picture that are 0xff:
# 100 for white (the pad byte of each pixel is 0).
white_share() { xwd -silent -id "$1" 2>/dev/null | tail -c 1920000 | tr -cd '\377' | wc -c | awk '{ print int($1 / 14400) }'; }
# Waits (up to 60 s) until the game window $1 shows a picture of its loop: neither the
# white of its loading frames nor an empty window. The game reads no input while it
# loads, and keys pressed then reach it as one press.
until_in_loop() {
  for i in $(seq 300); do
    share=$(white_share "$1"); [ "$share" -gt 5 ] && [ "$share" -lt 90 ] && return 0
    sleep 0.2
  done
  return 1
}
# Why the window $1 of process $2 was not found: the search, the process, what it said on
# stderr (file $3), the windows there are.
why() {
  log "no $1: xdotool search --all --onlyvisible --pid $2 --name '^Vantrel\$' found nothing"
  if kill -0 "$2" 2>/dev/null; then log "  process $2 is running"; else log "  process $2 has ended"; fi
  [ -n "$3" ] && log "  its stderr: $(tr '\n' '|' < "$3" 2>&1)"
  reachable || log "  display $DISPLAY does not answer: $(ls -la /tmp/.X11-unix 2>&1 | tr '\n' ' ')"
  shown=" $( { xdotool search --onlyvisible --name .; xdotool search --onlyvisible --classname '.*'; } 2>/dev/null | tr '\n' ' ') "
  for w in $( { xdotool search --name .; xdotool search --classname '.*'; } 2>/dev/null | sort -un); do
    state=hidden; [[ "$shown" == *" $w "* ]] && state=visible
    log "  window $w \"$(xdotool getwindowname "$w" 2>/dev/null)\" of process $(xdotool getwindowpid "$w" 2>/dev/null || echo unknown), $state"
  done
}
reachable() { xdotool getdisplaygeometry >/dev/null 2>&1; }
# A client that stays connected while the run lasts, as a desktop's own clients do. An X
# server resets when its last client leaves and drops the connections that come while it
# does: each xdotool ending here could otherwise make the next client's connection fail.
# Waits up to 60 s for the display to answer, as the game reaches it from this run's
# namespace (a server that takes connections may still be starting up).
keep_display() {
  local until=$((SECONDS + 60))
  while [ $SECONDS -lt $until ]; do
    coproc KEEPER { exec xdotool getdisplaygeometry sleep 86400 2>/dev/null; }
    read -r -t 60 -u "${KEEPER[0]}" geometry 2>/dev/null && return 0
    kill "$KEEPER_PID" 2>/dev/null; wait "$KEEPER_PID" 2>/dev/null
    sleep 0.2
  done
  return 1
}
# At the end the server goes on (a run may hold it still) and the keeper goes.
trap '[ -n "$XSERVER_PID" ] && kill -CONT "$XSERVER_PID" 2>/dev/null; [ -n "$KEEPER_PID" ] && kill "$KEEPER_PID" 2>/dev/null' EXIT
if ! keep_display; then
  log "display $DISPLAY does not answer in this run: $(ls -la /tmp/.X11-unix 2>&1 | tr '\n' ' ')"
  exit 7
fi
)SCRIPT";

const char* const TOUR_SCRIPT = R"SCRIPT(
# Another copy, as a player's would run: its own lock folder, its game window
# on this display with the same name and class.
XDG_RUNTIME_DIR="$1/player-run" ./vantrel 2> "$shots/other-stderr.txt" &
other=$!
other_launcher=$(window_of $other)
if [ -z "$other_launcher" ]; then why "launcher of the other copy" $other "$shots/other-stderr.txt"; kill $other; exit 6; fi
xdotool windowfocus --sync "$other_launcher"; key Return
other_game=$(window_of $other "$other_launcher")
if [ -z "$other_game" ]; then why "game window of the other copy" $other "$shots/other-stderr.txt"; kill $other; exit 6; fi
./vantrel 2> "$shots/game-stderr.txt" &
pid=$!
launcher=$(window_of $pid)
if [ -z "$launcher" ]; then why launcher $pid "$shots/game-stderr.txt"; kill $pid $other; exit 3; fi
# A copy started in this run's lock folder while this one shows its launcher:
# no window to give way to yet, so it shows its own launcher.
./vantrel 2> "$shots/waiting-stderr.txt" &
waiting=$!
waiting_launcher=$(window_of $waiting)
if [ -z "$waiting_launcher" ]; then
  why "launcher of the waiting copy" $waiting "$shots/waiting-stderr.txt"; kill $pid $other $waiting; exit 8
fi
# Its launcher takes the focus as it comes up: the keys wait for that.
until_true '[ "$(xdotool getwindowfocus 2>/dev/null)" = "$waiting_launcher" ]' ||
  log "the waiting copy's launcher did not take the focus in 10 s"
xdotool windowfocus --sync "$launcher"; shot 1-launcher
key Return
game=$(window_of $pid "$launcher")
if [ -z "$game" ]; then why "game window" $pid "$shots/game-stderr.txt"; kill $pid $other $waiting; exit 4; fi
xdotool windowfocus --sync "$game"
until_sized "$game"
log "game window $(xdotool getwindowgeometry --shell "$game" | tr '\n' ' ')"
log "rasteriser threads: $(cat /proc/$pid/task/*/comm 2>/dev/null | grep -c '^llvmpipe')"
logo=$(date +%s%N)
# Play! in the waiting copy's launcher, now that this run's window exists: it gives way.
xdotool windowfocus --sync "$waiting_launcher"; key Return
for i in $(seq 100); do kill -0 $waiting 2>/dev/null || break; sleep 0.1; done
kill -9 $waiting 2>/dev/null && log "waiting copy still running 10 s after its Play!"
wait $waiting
log "waiting copy exit $?"
# Its launcher took the focus with it (there is no window manager to hand it on).
xdotool windowfocus --sync "$game"
until_in_loop "$game" || log "no picture of the game's loop in 60 s (white share $(white_share "$game") %)"
# The logo shows for six seconds: its picture 3.5 s in.
rest=$(( 3500 - ($(date +%s%N) - logo) / 1000000 ))
[ $rest -gt 0 ] && sleep "$(printf '%d.%03d' $((rest / 1000)) $((rest % 1000)))"
shot 2-logo
key Return; sleep 0.5; shot 3-title
key Return; sleep 1; shot 4-menu
# A second copy in this run's lock folder brings this run's window to the
# front, not the other copy's.
xdotool windowraise "$other_game"
started=$(date +%s%N); timeout 20 ./vantrel; code=$?
log "second copy exit $code after $(( ($(date +%s%N) - started) / 1000000 )) ms"
# The root's children, top first.
stacking() { for w in $(xwininfo -root -children | awk '$1 ~ /^0x/ { print $1 }'); do printf ' %d ' "$w"; done; }
# The game raises its window when it reads the second copy's request: waited for.
if until_true '[[ "$(stacking)" == *" $game "*" $other_game "* ]]'; then log "game window above the other copy's"
else log "stacking, top first:$(stacking)(game $game, other copy $other_game)"; fi
until_true '[ "$(xdotool getwindowfocus 2>/dev/null)" = "$game" ]' && log "game window has the focus"
key Down; key Down; key Return; shot 5-options
key Left; key Left; shot 6-options-lowered
key Down; key Down; key Return
key Down; key Return; sleep 2; shot 7-credits
key Escape
# Single Player, UK Dirt Track, "Race!": the loading frame, the count-down,
# 8 s of throttle with steering, the pause menu, "Retire".
key Up; key Up; key Up; key Return; key Down; key Return
key Down; key Down; key Down; key Return; key Up
xdotool keydown Return; sleep 0.1; xdotool keyup Return
# The white loading frame once the game has read the key, then the race's view.
until_true '[ "$(white_share "$game")" -ge 90 ]'; shot 10-loading
until_in_loop "$game" || log "no race view in 60 s (white share $(white_share "$game") %)"
shot 11-count-down
sleep 5
xdotool keydown Up
for i in 1 2; do
  xdotool keydown Left; sleep 0.4; xdotool keyup Left; sleep 1.6
  xdotool keydown Right; sleep 0.4; xdotool keyup Right; sleep 1.6
  [ "$i" = 1 ] && shot 12-racing
done
shot 13-racing
xdotool keyup Up
key Escape; sleep 0.5; shot 14-pause
key Up; key Return; sleep 1; shot 15-after-race
kill -0 $pid 2>/dev/null && log "running after the race"
kill -0 $other 2>/dev/null && log "other copy running after the race"
kill -TERM $other
for i in $(seq 100); do kill -0 $other 2>/dev/null || break; sleep 0.1; done
kill -9 $other 2>/dev/null && log "other copy still running 10 s after SIGTERM"
key Escape; key Escape; shot 8-quit
key Left; key Return
for i in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
kill -9 $pid 2>/dev/null && log "still running 10 s after Quit"
wait $pid
log "exit $?"
# The trap as menu music: the launcher, Play!, logo and title, then SIGTERM.
cp trap.ogg Audio/Music/Menu.ogg
./vantrel 2> "$shots/trap-stderr.txt" &
pid=$!
launcher=$(window_of $pid)
if [ -z "$launcher" ]; then why "trap: launcher" $pid "$shots/trap-stderr.txt"; kill -9 $pid; exit 5; fi
xdotool windowfocus --sync "$launcher"
key Return
game=$(window_of $pid "$launcher")
if [ -n "$game" ]; then
  xdotool windowfocus --sync "$game"; until_sized "$game"
  until_in_loop "$game" || log "trap: no picture of the game's loop in 60 s (white share $(white_share "$game") %)"
  key Return; sleep 0.5; key Return; sleep 2
fi
shot 9-trap-music
kill -0 $pid 2>/dev/null && log "trap: running at SIGTERM"
kill -TERM $pid
for i in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
if kill -0 $pid 2>/dev/null; then log "trap: still running 10 s after SIGTERM"; kill -9 $pid; fi
wait $pid
log "trap: exit $?"
)SCRIPT";

// A race on a damaged track: the launcher, Play!, logo, title, Single Player
// and "Race!" on the first track; the error box, found by its title (xdotool's
// search misses SDL's UTF-8 titles) in whichever process draws it, is closed
// with Escape, and the exit status logged.
const char* const DAMAGED_TRACK_SCRIPT = R"SCRIPT(
./vantrel 2> "$shots/damaged-track-stderr.txt" &
pid=$!
launcher=$(window_of $pid)
if [ -z "$launcher" ]; then why launcher $pid "$shots/damaged-track-stderr.txt"; kill $pid; exit 3; fi
xdotool windowfocus --sync "$launcher"; key Return
game=$(window_of $pid "$launcher")
if [ -z "$game" ]; then why "game window" $pid "$shots/damaged-track-stderr.txt"; kill $pid; exit 4; fi
xdotool windowfocus --sync "$game"; until_sized "$game"
until_in_loop "$game" || log "no picture of the game's loop in 60 s (white share $(white_share "$game") %)"
key Return; sleep 0.5; key Return; sleep 1
key Return; key Return
for i in $(seq 150); do [ -n "$(named "$game")" ] && break; sleep 0.2; done
[ -n "$(named "$game")" ] && log "error box shown"
close_named "$game"
for i in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
kill -9 $pid 2>/dev/null && log "still running 10 s after the box"
wait $pid
log "exit $?"
)SCRIPT";

// A game started as the display's last client leaves, which a loaded core lets
// happen by itself: the X server, held still meanwhile, takes the game's
// connection and then resets (as it does when its last client has left),
// dropping it. The launcher opens all the same (or else the script says what
// came instead: the error box, or the game's end), and Escape quits it.
const char* const RESETTING_DISPLAY_SCRIPT = R"SCRIPT(
# The game's connections to the server's socket that the server has not taken yet: they
# have no inode, and are listed in the network namespace of the side that connects.
pending() { awk -v path="/tmp/.X11-unix/X${DISPLAY#:}" '$7 == 0 && $8 == path' "/proc/$pid/net/unix" | wc -l; }
kill -STOP "$XSERVER_PID"
kill "$KEEPER_PID"; wait "$KEEPER_PID" 2>/dev/null
./vantrel 2> "$shots/resetting-stderr.txt" &
pid=$!
for i in $(seq 300); do [ "$(pending)" -gt 0 ] && break; kill -0 $pid 2>/dev/null || break; sleep 0.2; done
if [ "$(pending)" -eq 0 ]; then
  log "no connection of the game waited for the server within 60 s: $(tr '\n' '|' < "$shots/resetting-stderr.txt")"
  kill -9 $pid; exit 3
fi
kill -CONT "$XSERVER_PID"
# No other client's leaving resets the server from here on.
if ! keep_display; then log "display $DISPLAY does not answer after its reset"; kill -9 $pid; exit 7; fi
launcher=; box=
for i in $(seq 300); do
  launcher=$(visible $pid | head -n 1); [ -n "$launcher" ] && break
  for w in $(named); do [[ " $(visible $pid | tr '\n' ' ') " == *" $w "* ]] || box=$w; done
  [ -n "$box" ] && break
  kill -0 $pid 2>/dev/null || break
  sleep 0.2
done
if [ -n "$launcher" ]; then
  log "launcher shown"
  xdotool windowfocus --sync "$launcher"; key Escape
elif [ -n "$box" ]; then
  log "error box shown instead of the launcher"
  close_named ""
else
  why launcher $pid "$shots/resetting-stderr.txt"
fi
for i in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
kill -9 $pid 2>/dev/null && log "still running 10 s after Escape"
wait $pid
log "exit $?"
)SCRIPT";

// Start-ups that end before the game window exists: without a display to open
// the launcher on, the one thing the game needs before its window, and with a
// display that takes the connection and never answers (the server held still);
// then Quit in the launcher.
const char* const BEFORE_THE_WINDOW_SCRIPT = R"SCRIPT(
env -u DISPLAY -u WAYLAND_DISPLAY timeout 20 ./vantrel 2> "$shots/no-display-stderr.txt"
log "no display: exit $?"
kill -STOP "$XSERVER_PID"
timeout 60 ./vantrel 2> "$shots/mute-display-stderr.txt"
log "mute display: exit $?"
kill -CONT "$XSERVER_PID"
./vantrel 2> "$shots/quit-stderr.txt" &
pid=$!
launcher=$(window_of $pid)
if [ -z "$launcher" ]; then why launcher $pid "$shots/quit-stderr.txt"; kill $pid; exit 3; fi
xdotool windowfocus --sync "$launcher"; key Escape
for i in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
kill -9 $pid 2>/dev/null && log "still running 10 s after Quit"
wait $pid
log "quit: exit $?"
)SCRIPT";
// clang-format on

const char* const LEAK_SUPPRESSIONS = "leak:libSDL2\nleak:libGLX\nleak:libEGL\nleak:libGL.so\nleak:libgallium\n"
                                      "leak:swrast_dri\nleak:libLLVM\nleak:libdbus\nleak:libX11\nleak:libfontconfig\n"
                                      "leak:libopenal\nleak:libglib\nleak:libgobject\nleak:libgio\nleak:libgtk-3\n"
                                      "leak:libgdk-3\nleak:libpango\nleak:libcairo\nleak:libharfbuzz\nleak:libatk\n";

// The screenshot as a PNG beside it; the picture for checks.
bool ConvertScreenshot(const fs::path& xwd, const fs::path& png, datagen::RgbaImage& image)
{
    std::vector<uint8_t> bytes;
    return backend::ReadWholeFile(xwd.string(), bytes) && DecodeScreenDump(bytes, image) &&
           datagen::WriteFileBytes(png.string(), datagen::EncodePng(image, false));
}

// A number from the step log's "NAME=value" words, -1 when missing.
int StepValue(const std::string& steps, const std::string& name)
{
    const size_t at = steps.find(" " + name + "=");
    return at == std::string::npos ? -1 : std::atoi(steps.c_str() + at + name.size() + 2);
}

// The share of pixels in columns [left, right) and rows [top, bottom) that are not black.
double LitShare(const datagen::RgbaImage& image, uint32_t left, uint32_t top, uint32_t right, uint32_t bottom)
{
    size_t lit = 0;
    for (uint32_t y = top; y < bottom; ++y)
        for (uint32_t x = left; x < right; ++x)
            lit += (image.At(x, y) & 0xFFFFFFu) != 0;
    return double(lit) / double(size_t(right - left) * (bottom - top));
}

// The share of pixels in the rectangle that are white.
double WhiteShare(const datagen::RgbaImage& image, uint32_t left, uint32_t top, uint32_t right, uint32_t bottom)
{
    if (right > image.width || bottom > image.height)
        return 0.0;
    size_t white = 0;
    for (uint32_t y = top; y < bottom; ++y)
        for (uint32_t x = left; x < right; ++x)
            white += (image.At(x, y) & 0xFFFFFFu) == 0xFFFFFFu;
    return double(white) / double(size_t(right - left) * (bottom - top));
}

// The share of pixels in the rectangle that differ between two pictures.
double ChangedShare(const datagen::RgbaImage& a, const datagen::RgbaImage& b, uint32_t left, uint32_t top,
                    uint32_t right, uint32_t bottom)
{
    if (right > std::min(a.width, b.width) || bottom > std::min(a.height, b.height))
        return 0.0;
    size_t changed = 0;
    for (uint32_t y = top; y < bottom; ++y)
        for (uint32_t x = left; x < right; ++x)
            changed += (a.At(x, y) & 0xFFFFFFu) != (b.At(x, y) & 0xFFFFFFu);
    return double(changed) / double(size_t(right - left) * (bottom - top));
}

// A copy of the program and its data set in a folder of its own, driven by a
// script on a private X server.
class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {"Xvfb", "xdotool", "xwd", "xwininfo"}) {
            if (!HasProgram(tool))
                GTEST_SKIP() << tool << " is not installed; scripts/setup installs it";
        }
        bin = backend::BaseDirectory();
        // On tmpfs where there is one: the file system that trapped the Ogg reader.
        const fs::path temporary = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        work = temporary / ("vantrel-end-to-end-" + std::to_string(getpid()));
        fs::remove_all(work);
        for (const char* folder : {"Data", "Graphics/Textures", "Audio/Sounds", "Audio/Music"}) {
            fs::create_directories(work / folder);
            fs::copy(bin / folder, work / folder, fs::copy_options::recursive);
        }
        for (const char* folder : {"Graphics/Models", "Graphics/Tracks"})
            fs::create_directory_symlink(fs::absolute(bin / folder), work / folder);
        fs::copy(bin / "vantrel", work / "vantrel");
        std::ofstream(work / "lsan.supp") << LEAK_SUPPRESSIONS;
        for (const char* folder : {"run", "player-run"}) {
            fs::create_directories(work / folder);
            fs::permissions(work / folder, fs::perms::owner_all);
        }
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(work, ignored);
    }

    // Runs the script kit and `body` with screenshots to artefacts/<shotsName>;
    // false when it did not finish within `seconds`. `steps` gets its step log.
    bool RunScript(const char* body, const char* shotsName, int seconds, int& result, std::string& steps)
    {
        shots = bin.parent_path() / "artefacts" / shotsName;
        fs::remove_all(shots);
        fs::create_directories(shots);
        const fs::path script = work / "drive.sh";
        std::ofstream(script) << SCRIPT_KIT << body;
        fs::permissions(script, fs::perms::owner_all);

        // The lock file goes to the run's own folder; the abstract socket names to
        // its own network namespace where unshare may make one.
        // Sanitizer builds draw a race frame in up to a fifth of a second: a key
        // is held that long, which with xdotool's start-up stays short of the
        // 300 ms key repeat.
#if defined(__SANITIZE_ADDRESS__)
        const char* keyHold = "KEY_HOLD=0.2";
#else
        const char* keyHold = "KEY_HOLD=0.15";
#endif
        // The X server stays outside the namespace; its clients reach it through its socket file. It
        // resets when its last client leaves, as a display without a desktop does.
        PrivateXServer server;
        std::string error;
        if (!server.Start(error, true)) {
            ADD_FAILURE() << error;
            return false;
        }
        std::vector<std::string> command = {"env", "DISPLAY=" + server.Display(),
                                            "XSERVER_PID=" + std::to_string(server.Pid()),
                                            "XDG_RUNTIME_DIR=" + (work / "run").string(), keyHold};
        if (std::system("unshare -n true >/dev/null 2>&1") == 0)
            command.insert(command.begin(), {"unshare", "-n"});
        command.push_back(script.string());
        command.push_back(work.string());
        command.push_back(shots.string());
        bool timedOut = false;
        result = RunBounded(command, seconds, &timedOut);
        std::stringstream log;
        log << std::ifstream(shots / "steps.txt").rdbuf();
        steps = log.str();
        return !timedOut;
    }

    fs::path bin, work, shots;
};

} // namespace

TEST_F(EndToEnd, LauncherLogoTitleMenuOptionsCreditsRaceQuit)
{
    // The launcher takes these choices from the file and "Play!" writes them back.
    datagen::GameConfigValues choices;
    choices.windowed = 1;
    choices.textureFilterIndex = 0;
    choices.disableMipmapping = 1;
    choices.softwareSoundBuffers = 1;
    ASSERT_TRUE(datagen::WriteGameConfig((work / "Game.cfg").string(), choices));
    ASSERT_TRUE(datagen::WriteSoundConfig((work / "Data/Sound.cfg").string(), 1.0f, 0.9f));
    std::vector<uint8_t> good, trap;
    ASSERT_TRUE(datagen::EncodeOggVorbis(datagen::SynthTone(440, 1.0f, 22050, 0.5f), 1, 22050, good));
    ASSERT_TRUE(datagen::MakeSeekTrapOgg(good, trap));
    ASSERT_TRUE(datagen::WriteFileBytes((work / "trap.ogg").string(), trap));
    int result = -1;
    std::string stepLog;
    ASSERT_TRUE(RunScript(TOUR_SCRIPT, "end-to-end", 240, result, stepLog))
        << "the driven program did not finish within 240 s";
    std::stringstream steps(stepLog);
    ASSERT_EQ(result, 0) << steps.str();
    // The second copy leaves at once, before any window of its own.
    const size_t second = steps.str().find("second copy exit 0 after ");
    ASSERT_NE(second, std::string::npos) << steps.str();
    EXPECT_LT(std::stoi(steps.str().substr(second + 25)), 5000) << steps.str();
    EXPECT_NE(steps.str().find("\nwaiting copy exit 0\n"), std::string::npos) << steps.str();
    EXPECT_NE(steps.str().find("game window has the focus"), std::string::npos) << steps.str();
    // Mesa's software rasteriser draws on the game's thread: its own threads hang it.
    EXPECT_NE(steps.str().find("\nrasteriser threads: 0\n"), std::string::npos) << steps.str();
    EXPECT_NE(steps.str().find("game window above the other copy's"), std::string::npos) << steps.str();
    EXPECT_NE(steps.str().find("\nexit 0"), std::string::npos) << steps.str();
    // The trapped music: the game got as far as it could and SIGTERM ended it
    // (the menu's message loop quits with 0; a game that stopped at an error
    // message may end by the signal itself).
    std::stringstream trapErrors;
    trapErrors << std::ifstream(shots / "trap-stderr.txt").rdbuf();
    EXPECT_EQ(steps.str().find("trap: still running"), std::string::npos) << steps.str();
    EXPECT_NE(steps.str().find("trap: exit "), std::string::npos) << steps.str();
    EXPECT_TRUE(steps.str().find("trap: running at SIGTERM") != std::string::npos ||
                trapErrors.str().find("Vantrel: Error") != std::string::npos)
        << steps.str() << trapErrors.str();

    std::vector<uint8_t> config;
    ASSERT_TRUE(backend::ReadWholeFile((work / "Game.cfg").string(), config));
    EXPECT_EQ(config, datagen::EncodeGameConfig(choices));
    const SoundConfig volumes = LoadSoundConfig((work / "Data/Sound.cfg").string().c_str());
    EXPECT_NEAR(volumes.soundVolume, 0.9f, 1e-6f);
    EXPECT_NEAR(volumes.musicVolume, 0.9f, 1e-6f);

    std::map<std::string, datagen::RgbaImage> screenshots;
    for (const auto& entry : fs::directory_iterator(shots)) {
        if (entry.path().extension() == ".xwd") {
            fs::path png = entry.path();
            png.replace_extension(".png");
            EXPECT_TRUE(ConvertScreenshot(entry.path(), png, screenshots[entry.path().stem().string()]))
                << entry.path();
            fs::remove(entry.path());
        }
    }

    // The game's picture fills its 800 x 600 window: every quarter of the
    // menu screen is lit, and the screen around the window stays black.
    const int x = StepValue(steps.str(), "X"), y = StepValue(steps.str(), "Y");
    EXPECT_EQ(StepValue(steps.str(), "WIDTH"), 800) << steps.str();
    EXPECT_EQ(StepValue(steps.str(), "HEIGHT"), 600) << steps.str();
    const datagen::RgbaImage& menu = screenshots["4-menu"];
    ASSERT_TRUE(x >= 0 && y >= 0 && uint32_t(x) + 800 <= menu.width && uint32_t(y) + 600 <= menu.height)
        << steps.str() << " on a screen of " << menu.width << " x " << menu.height;
    for (uint32_t quarter = 0; quarter < 4; ++quarter) {
        const uint32_t left = uint32_t(x) + 200 * quarter;
        EXPECT_GT(LitShare(menu, left, uint32_t(y), left + 200, uint32_t(y) + 600), 0.9) << "quarter " << quarter;
    }
    if (uint32_t(x) + 800 < menu.width) {
        EXPECT_EQ(LitShare(menu, uint32_t(x) + 800, uint32_t(y), menu.width, uint32_t(y) + 600), 0.0);
    }

    // The race: "Loading Track..." on white; then the moped moved the view,
    // the needle left its rest and the total time went on.
    EXPECT_NE(steps.str().find("\nrunning after the race"), std::string::npos) << steps.str();
    EXPECT_NE(steps.str().find("other copy running after the race"), std::string::npos) << steps.str();
    const uint32_t left = uint32_t(x), top = uint32_t(y);
    const datagen::RgbaImage& loading = screenshots["10-loading"];
    EXPECT_GT(WhiteShare(loading, left, top, left + 800, top + 600), 0.9);
    const datagen::RgbaImage &countDown = screenshots["11-count-down"], &racing = screenshots["12-racing"],
                             &raced = screenshots["13-racing"];
    EXPECT_GT(ChangedShare(countDown, raced, left + 200, top + 150, left + 600, top + 400), 0.2);
    EXPECT_GT(ChangedShare(countDown, racing, left + 600, top + 410, left + 760, top + 570), 0.01);
    EXPECT_GT(ChangedShare(racing, raced, left + 10, top + 85, left + 210, top + 112), 0.01);
}

// A track that can't be loaded ends the game with its box, stderr names the
// file, and the program exits with a failure status.
TEST_F(EndToEnd, DamagedTrackEndsTheProgramWithItsBoxAndAFailureStatus)
{
    datagen::GameConfigValues choices;
    choices.windowed = 1;
    ASSERT_TRUE(datagen::WriteGameConfig((work / "Game.cfg").string(), choices));
    ASSERT_TRUE(datagen::WriteFileBytes((work / "Data/Tracks/Finland/TrackData.tda").string(), {'X'}));
    int result = -1;
    std::string steps;
    ASSERT_TRUE(RunScript(DAMAGED_TRACK_SCRIPT, "end-to-end-damaged-track", 120, result, steps))
        << "the driven program did not finish within 120 s";
    ASSERT_EQ(result, 0) << steps;
    EXPECT_NE(steps.find("error box shown"), std::string::npos) << steps;
    EXPECT_NE(steps.find("\nexit 1\n"), std::string::npos) << steps;
    std::stringstream said;
    said << std::ifstream(shots / "damaged-track-stderr.txt").rdbuf();
    EXPECT_NE(said.str().find("Vantrel: Error loading track data (Data\\Tracks\\Finland\\TrackData.tda: not a track "
                              "data file)\n"),
              std::string::npos)
        << said.str();
    EXPECT_NE(said.str().find("Vantrel: Error loading track data\n"), std::string::npos) << said.str();
}

// A game started while the display resets opens its launcher: it connects
// again when the server drops its first connection.
TEST_F(EndToEnd, LauncherOpensWhenTheGameStartsAsTheDisplayResets)
{
    int result = -1;
    std::string steps;
    ASSERT_TRUE(RunScript(RESETTING_DISPLAY_SCRIPT, "end-to-end-resetting-display", 120, result, steps))
        << "the driven program did not finish within 120 s";
    std::stringstream said;
    said << std::ifstream(shots / "resetting-stderr.txt").rdbuf();
    ASSERT_EQ(result, 0) << steps << "stderr:\n" << said.str();
    EXPECT_EQ(steps, "launcher shown\nexit 0\n") << "stderr:\n" << said.str();
    EXPECT_EQ(said.str().find("Error opening the launcher dialog!"), std::string::npos) << said.str();
}

// A start-up that ends before the game window exists fails when it ended on an
// error (stderr says which), and not when the player quit in the launcher.
TEST_F(EndToEnd, StartUpEndingBeforeTheWindowFailsOnlyOnAnError)
{
    int result = -1;
    std::string steps;
    ASSERT_TRUE(RunScript(BEFORE_THE_WINDOW_SCRIPT, "end-to-end-before-the-window", 90, result, steps))
        << "the driven program did not finish within 90 s";
    ASSERT_EQ(result, 0) << steps;
    EXPECT_EQ(steps, "no display: exit 1\nmute display: exit 1\nquit: exit 0\n");
    for (const char* start : {"no-display", "mute-display"}) {
        std::stringstream said;
        said << std::ifstream(shots / (std::string(start) + "-stderr.txt")).rdbuf();
        EXPECT_NE(said.str().find("Vantrel: Error opening the launcher dialog!\n"), std::string::npos)
            << start << ": " << said.str();
    }
    EXPECT_FALSE(fs::exists(work / "Game.cfg"));
}
