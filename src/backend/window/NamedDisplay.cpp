#include "backend/window/NamedDisplay.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <future>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace backend {

namespace {

constexpr auto REFUSED_RETRY_PAUSE = std::chrono::milliseconds(100);

enum class Verdict { UNKNOWN, ANSWERED, MUTE };

// What is known of the display named `name`.
struct DisplayState {
    std::mutex mutex;
    std::string name;
    Verdict verdict = Verdict::UNKNOWN;
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> kept{nullptr, &xcb_disconnect};
};

DisplayState& State()
{
    static DisplayState state;
    return state;
}

// The X display named in DISPLAY; empty when none is.
std::string XDisplayName()
{
    const char* value = std::getenv("DISPLAY");
    return value != nullptr ? value : "";
}

// A connection to the named X server made on a thread of its own, which a
// server that never answers holds for good: null when it was refused.
std::future<xcb_connection_t*> Connect()
{
    auto connected = std::make_shared<std::promise<xcb_connection_t*>>();
    std::future<xcb_connection_t*> connection = connected->get_future();
    std::thread([connected] {
        xcb_connection_t* made = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(made) != 0) {
            xcb_disconnect(made);
            made = nullptr;
        }
        connected->set_value(made);
    }).detach();
    return connection;
}

} // namespace

bool IsDisplayNamed()
{
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && value[0] != '\0')
            return true;
    }
    return false;
}

bool NamedDisplayAnswers(std::chrono::steady_clock::time_point retryUntil)
{
    DisplayState& state = State();
    std::lock_guard lock(state.mutex);
    const std::string name = XDisplayName();
    if (name != state.name) {
        state.name = name;
        state.verdict = Verdict::UNKNOWN;
        state.kept.reset();
    }
    if (name.empty() || state.verdict == Verdict::ANSWERED)
        return true;
    while (state.verdict == Verdict::UNKNOWN) {
        std::future<xcb_connection_t*> connection = Connect();
        if (connection.wait_for(DISPLAY_ANSWER_TIME) != std::future_status::ready) {
            state.verdict = Verdict::MUTE;
            break;
        }
        state.kept.reset(connection.get());
        if (state.kept) {
            state.verdict = Verdict::ANSWERED;
            break;
        }
        if (std::chrono::steady_clock::now() + REFUSED_RETRY_PAUSE >= retryUntil)
            return false;
        std::this_thread::sleep_for(REFUSED_RETRY_PAUSE);
    }
    return state.verdict == Verdict::ANSWERED;
}

} // namespace backend
