#pragma once
// Whether the environment names a display server to connect to, and whether
// the X server it names answers.

#include <chrono>

namespace backend {

// How long a connection to an X server is given to be answered: one made as
// the server resets waits until the reset is over (6 s seen on a loaded core).
constexpr auto DISPLAY_ANSWER_TIME = std::chrono::seconds(30);

// True when DISPLAY or WAYLAND_DISPLAY is set and not empty.
bool IsDisplayNamed();

// True at once when DISPLAY names no X server, or the one it names answered
// before. Otherwise a connection is made and given DISPLAY_ANSWER_TIME to be
// answered; one refused (or dropped as the server resets) is made again until
// `retryUntil`. A server that takes connections and never answers would hold
// every toolkit's connect for good: once one was left unanswered, the answer
// is false at once from then on. The first connection answered stays open
// while the program runs, so that the server does not reset (and drop the
// connections coming meanwhile) whenever the program's other connections come
// and go.
bool NamedDisplayAnswers(std::chrono::steady_clock::time_point retryUntil);

} // namespace backend
