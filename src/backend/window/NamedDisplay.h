#pragma once
// Whether the environment names a display server to connect to.

namespace backend {

// True when DISPLAY or WAYLAND_DISPLAY is set and not empty.
bool IsDisplayNamed();

} // namespace backend
