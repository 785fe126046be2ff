#include "backend/dialog/LauncherDialog.h"

#include "backend/window/NamedDisplay.h"

#include <gtk/gtk.h>

extern "C" {
#include "LauncherDialogResource.h"
}

#include <chrono>
#include <memory>
#include <thread>

namespace backend {

namespace {

constexpr const char* LAYOUT_RESOURCE = "/vantrel/launcher/LauncherDialog.ui";

// How long a display that is named may refuse the dialog's connection. An X
// server resets when its last client leaves and drops the connections that
// came meanwhile; the next one waits until the reset is over (up to 6 s seen
// on a loaded core), so a few tries get through.
constexpr auto DISPLAY_WAIT = std::chrono::seconds(5);
constexpr auto DISPLAY_RETRY_PAUSE = std::chrono::milliseconds(50);

struct ControlName {
    int id;
    const char* name;
};
const ControlName LISTS[] = {
    {LAUNCHER_RENDER_DEVICE, "render_device"},   {LAUNCHER_DISPLAY_MODE, "display_mode"},
    {LAUNCHER_TEXTURE_FILTER, "texture_filter"}, {LAUNCHER_ANISOTROPY, "anisotropy"},
    {LAUNCHER_SOUND_DEVICE, "sound_device"},
};
const ControlName CHECKS[] = {
    {LAUNCHER_WINDOWED, "windowed"},
    {LAUNCHER_TRIPLE_BUFFERING, "triple_buffering"},
    {LAUNCHER_DISABLE_MIPMAPPING, "disable_mipmapping"},
    {LAUNCHER_SOFTWARE_SOUND, "software_sound"},
    {LAUNCHER_DISABLE_MUSIC, "disable_music"},
};
constexpr int LIST_COUNT = int(sizeof(LISTS) / sizeof(LISTS[0]));
constexpr int CHECK_COUNT = int(sizeof(CHECKS) / sizeof(CHECKS[0]));

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct MainLoopUnref {
    void operator()(GMainLoop* loop) const { g_main_loop_unref(loop); }
};

// Everything a signal handler needs.
struct Dialog {
    LauncherDialogModel* model = nullptr;
    GtkWidget* window = nullptr;
    GtkWidget* play = nullptr;
    GtkWidget* quit = nullptr;
    GtkWidget* lists[LIST_COUNT] = {};
    GtkWidget* checks[CHECK_COUNT] = {};
    GMainLoop* loop = nullptr;
    LauncherOutcome outcome = LauncherOutcome::Quit;
    bool finished = false;
    LauncherShownHook shown = nullptr;
    void* shownUser = nullptr;
};

// Applies the model's enable rules to every control.
void Refresh(Dialog& dialog)
{
    for (int i = 0; i < LIST_COUNT; ++i)
        gtk_widget_set_sensitive(dialog.lists[i], dialog.model->IsEnabled(LISTS[i].id));
    for (int i = 0; i < CHECK_COUNT; ++i)
        gtk_widget_set_sensitive(dialog.checks[i], dialog.model->IsEnabled(CHECKS[i].id));
    gtk_widget_set_sensitive(dialog.play, dialog.model->CanPlay());
}

void Finish(Dialog& dialog, LauncherOutcome outcome)
{
    if (dialog.finished)
        return;
    // "Play!" is refused while the model can't give settings to play with.
    if (outcome == LauncherOutcome::Play && !dialog.model->CanPlay())
        return;
    dialog.finished = true;
    dialog.outcome = outcome;
    g_main_loop_quit(dialog.loop);
}

void OnListChanged(GtkComboBox* combo, gpointer user)
{
    Dialog& dialog = *static_cast<Dialog*>(user);
    for (int i = 0; i < LIST_COUNT; ++i)
        if (dialog.lists[i] == GTK_WIDGET(combo))
            dialog.model->Select(LISTS[i].id, gtk_combo_box_get_active(combo));
    Refresh(dialog);
}

void OnCheckToggled(GtkToggleButton* check, gpointer user)
{
    Dialog& dialog = *static_cast<Dialog*>(user);
    for (int i = 0; i < CHECK_COUNT; ++i)
        if (dialog.checks[i] == GTK_WIDGET(check))
            dialog.model->SetChecked(CHECKS[i].id, gtk_toggle_button_get_active(check));
    Refresh(dialog);
}

void OnPlay(GtkButton*, gpointer user)
{
    Finish(*static_cast<Dialog*>(user), LauncherOutcome::Play);
}

void OnQuit(GtkButton*, gpointer user)
{
    Finish(*static_cast<Dialog*>(user), LauncherOutcome::Quit);
}

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer user)
{
    Finish(*static_cast<Dialog*>(user), LauncherOutcome::Quit);
    return TRUE; // the window is destroyed when the dialog ends
}

// Enter is "Play!" and Escape "Quit" wherever the focus is, as in a dialog box.
gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer user)
{
    Dialog& dialog = *static_cast<Dialog*>(user);
    switch (event->keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
        Finish(dialog, LauncherOutcome::Play);
        return TRUE;
    case GDK_KEY_Escape:
        Finish(dialog, LauncherOutcome::Quit);
        return TRUE;
    default:
        return FALSE;
    }
}

gboolean OnMapped(GtkWidget*, GdkEvent*, gpointer user)
{
    Dialog& dialog = *static_cast<Dialog*>(user);
    if (dialog.shown) {
        LauncherShownHook hook = dialog.shown;
        dialog.shown = nullptr;
        hook(dialog.window, dialog.shownUser);
    }
    return FALSE;
}

// The banner: the game's name over a dusk-coloured road.
gboolean OnDrawBanner(GtkWidget* widget, cairo_t* cr, gpointer)
{
    const double w = gtk_widget_get_allocated_width(widget);
    const double h = gtk_widget_get_allocated_height(widget);
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, h);
    cairo_pattern_add_color_stop_rgb(sky, 0.0, 0.10, 0.12, 0.32);
    cairo_pattern_add_color_stop_rgb(sky, 1.0, 0.93, 0.45, 0.20);
    cairo_set_source(cr, sky);
    cairo_rectangle(cr, 0, 0, w, h);
    cairo_fill(cr);
    cairo_pattern_destroy(sky);

    cairo_set_source_rgb(cr, 0.16, 0.14, 0.14);
    cairo_move_to(cr, 0, h);
    cairo_line_to(cr, w * 0.55, h * 0.62);
    cairo_line_to(cr, w * 0.65, h * 0.62);
    cairo_line_to(cr, w, h);
    cairo_close_path(cr);
    cairo_fill(cr);

    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_OBLIQUE, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, h * 0.55);
    cairo_set_source_rgb(cr, 1.0, 0.97, 0.88);
    cairo_move_to(cr, 18, h * 0.66);
    cairo_show_text(cr, "VANTREL");
    return TRUE;
}

GtkWidget* FindWidget(GtkBuilder* builder, const char* name)
{
    return GTK_WIDGET(gtk_builder_get_object(builder, name));
}

// Lets GTK finish taking the window off the screen before the game starts.
void DrainEvents()
{
    while (gtk_events_pending())
        gtk_main_iteration_do(FALSE);
}

} // namespace

bool OpenLauncherDisplay()
{
    static bool opened = false;
    static bool waited = false;
    if (opened)
        return true;
    if (!waited) {
        // GTK would switch the whole program to the user's locale, and with it
        // the decimal separator that the game's text readers expect to be '.'.
        gtk_disable_setlocale();
    }
    // A display that is named is waited for once, for a bounded time; with
    // none named (or later calls) there is one try.
    const bool wait = !waited && IsDisplayNamed();
    waited = true;
    const auto now = std::chrono::steady_clock::now();
    const auto deadline = now + DISPLAY_WAIT;
    if (!NamedDisplayAnswers(wait ? deadline : now))
        return false;
    opened = gtk_init_check(nullptr, nullptr);
    while (!opened && wait && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(DISPLAY_RETRY_PAUSE);
        opened = gtk_init_check(nullptr, nullptr);
    }
    return opened;
}

LauncherOutcome RunLauncherDialog(LauncherDialogModel& model, LauncherShownHook shown, void* user)
{
    if (!OpenLauncherDisplay())
        return LauncherOutcome::Failed;
    static bool registered = false;
    if (!registered) {
        vantrel_launcher_register_resource();
        registered = true;
    }

    std::unique_ptr<GtkBuilder, ObjectUnref> builder(gtk_builder_new());
    GError* error = nullptr;
    if (!gtk_builder_add_from_resource(builder.get(), LAYOUT_RESOURCE, &error)) {
        g_clear_error(&error);
        return LauncherOutcome::Failed;
    }

    Dialog dialog;
    dialog.model = &model;
    dialog.window = FindWidget(builder.get(), "launcher");
    dialog.play = FindWidget(builder.get(), "play");
    dialog.quit = FindWidget(builder.get(), "quit");
    for (int i = 0; i < LIST_COUNT; ++i)
        dialog.lists[i] = FindWidget(builder.get(), LISTS[i].name);
    for (int i = 0; i < CHECK_COUNT; ++i)
        dialog.checks[i] = FindWidget(builder.get(), CHECKS[i].name);
    dialog.shown = shown;
    dialog.shownUser = user;
    std::unique_ptr<GMainLoop, MainLoopUnref> loop(g_main_loop_new(nullptr, FALSE));
    dialog.loop = loop.get();

    // The controls start as the model is.
    for (int i = 0; i < LIST_COUNT; ++i) {
        GtkComboBoxText* combo = GTK_COMBO_BOX_TEXT(dialog.lists[i]);
        const int rows = model.RowCount(LISTS[i].id);
        for (int row = 0; row < rows; ++row)
            gtk_combo_box_text_append_text(combo, model.RowText(LISTS[i].id, row).c_str());
        gtk_combo_box_set_active(GTK_COMBO_BOX(combo), model.Selection(LISTS[i].id));
    }
    for (int i = 0; i < CHECK_COUNT; ++i)
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(dialog.checks[i]), model.IsChecked(CHECKS[i].id));
    Refresh(dialog);

    for (GtkWidget* list : dialog.lists)
        g_signal_connect(list, "changed", G_CALLBACK(OnListChanged), &dialog);
    for (GtkWidget* check : dialog.checks)
        g_signal_connect(check, "toggled", G_CALLBACK(OnCheckToggled), &dialog);
    g_signal_connect(dialog.play, "clicked", G_CALLBACK(OnPlay), &dialog);
    g_signal_connect(dialog.quit, "clicked", G_CALLBACK(OnQuit), &dialog);
    g_signal_connect(dialog.window, "delete-event", G_CALLBACK(OnDelete), &dialog);
    g_signal_connect(dialog.window, "key-press-event", G_CALLBACK(OnKeyPress), &dialog);
    g_signal_connect(dialog.window, "map-event", G_CALLBACK(OnMapped), &dialog);
    g_signal_connect(FindWidget(builder.get(), "banner"), "draw", G_CALLBACK(OnDrawBanner), nullptr);

    gtk_widget_grab_default(dialog.play);
    gtk_widget_show(dialog.window);
    gtk_window_present(GTK_WINDOW(dialog.window));
    g_main_loop_run(dialog.loop);

    gtk_widget_destroy(dialog.window);
    DrainEvents();
    return dialog.outcome;
}

} // namespace backend
