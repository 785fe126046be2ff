#pragma once
// The launcher's modal dialog on GTK 3. The dialog only shows and edits what a
// toolkit-free model holds: the rows of its lists, the selections, the check
// boxes and which controls are enabled.

#include <string>

namespace backend {

// Control ids of the dialog.
enum LauncherControl : int {
    LAUNCHER_PLAY = 1,
    LAUNCHER_QUIT = 2,
    LAUNCHER_DISPLAY_MODE = 1001,
    LAUNCHER_SOUND_DEVICE = 1002,
    LAUNCHER_TEXTURE_FILTER = 1004,
    LAUNCHER_ANISOTROPY = 1005,
    LAUNCHER_DISABLE_MUSIC = 1007,
    LAUNCHER_SOFTWARE_SOUND = 1008,
    LAUNCHER_RENDER_DEVICE = 1010,
    LAUNCHER_WINDOWED = 1024,
    LAUNCHER_TRIPLE_BUFFERING = 1025,
    LAUNCHER_DISABLE_MIPMAPPING = 1026,
};

// What the dialog reads and changes. Lists are the combo box ids, checks the
// check box ids above.
class LauncherDialogModel {
public:
    virtual ~LauncherDialogModel() = default;
    virtual int RowCount(int list) const = 0;
    virtual std::string RowText(int list, int row) const = 0;
    // -1 when nothing is selected.
    virtual int Selection(int list) const = 0;
    virtual void Select(int list, int row) = 0;
    virtual bool IsChecked(int check) const = 0;
    virtual void SetChecked(int check, bool checked) = 0;
    virtual bool IsEnabled(int control) const = 0;
    // "Play!" is refused (the dialog stays open) while this is false.
    virtual bool CanPlay() const = 0;
};

enum class LauncherOutcome {
    Play,
    Quit,
    // No display to show the dialog on.
    Failed,
};

// Connects to the display the dialog shows on; false when there is none. Call
// it before anything else opens and closes display connections (a virtual X
// server restarts when its last client leaves), and the connection then lasts
// as long as the program. At the first call, a display named in DISPLAY or
// WAYLAND_DISPLAY that refuses the connection is tried again for up to 5 s: a
// server restarting drops the connections that come meanwhile. An X server
// that takes the connection and does not answer it within 30 s counts as none.
bool OpenLauncherDisplay();

// Test hook: called once the dialog is on screen, with the dialog's GtkWindow.
using LauncherShownHook = void (*)(void* gtkWindow, void* user);

// Runs the dialog until "Play!" (Enter), "Quit" (Escape) or the window is
// closed. The model is updated as the user edits the controls.
LauncherOutcome RunLauncherDialog(LauncherDialogModel& model, LauncherShownHook shown = nullptr, void* user = nullptr);

} // namespace backend
