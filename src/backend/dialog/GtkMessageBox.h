#pragma once
// A modal error box on GTK 3, for desktops where SDL's own box cannot be
// shown (no X server, no helper program to draw it).

namespace backend {

// Shows the box and waits until it is closed; false when there is no display.
// SIGTERM, SIGINT and SIGHUP close it and then end the program.
bool ShowGtkMessageBox(const char* text, const char* caption);

} // namespace backend
