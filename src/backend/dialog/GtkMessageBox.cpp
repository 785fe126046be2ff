#include "backend/dialog/GtkMessageBox.h"

#include "backend/dialog/LauncherDialog.h"

#include <glib-unix.h>
#include <gtk/gtk.h>

#include <csignal>

namespace backend {

namespace {

struct OpenBox {
    GtkWidget* dialog = nullptr;
    int endingSignal = 0;
};

// A box up at exit must not keep the program from ending when it is told to:
// the box goes, then the signal ends the program.
template <int SIGNAL> gboolean CloseOnSignal(gpointer data)
{
    OpenBox& box = *static_cast<OpenBox*>(data);
    box.endingSignal = SIGNAL;
    gtk_dialog_response(GTK_DIALOG(box.dialog), GTK_RESPONSE_CLOSE);
    return G_SOURCE_CONTINUE;
}

} // namespace

bool ShowGtkMessageBox(const char* text, const char* caption)
{
    if (!OpenLauncherDisplay())
        return false;
    OpenBox box;
    box.dialog =
        gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR, GTK_BUTTONS_OK, "%s", text ? text : "");
    gtk_window_set_title(GTK_WINDOW(box.dialog), caption ? caption : "");
    gtk_window_set_position(GTK_WINDOW(box.dialog), GTK_WIN_POS_CENTER);
    gtk_window_set_keep_above(GTK_WINDOW(box.dialog), TRUE);
    const guint signals[] = {g_unix_signal_add(SIGTERM, CloseOnSignal<SIGTERM>, &box),
                             g_unix_signal_add(SIGINT, CloseOnSignal<SIGINT>, &box),
                             g_unix_signal_add(SIGHUP, CloseOnSignal<SIGHUP>, &box)};
    gtk_dialog_run(GTK_DIALOG(box.dialog));
    for (guint source : signals)
        g_source_remove(source);
    gtk_widget_destroy(box.dialog);
    // Let the window really go before the program carries on or ends.
    while (gtk_events_pending())
        gtk_main_iteration();
    if (box.endingSignal != 0) {
        std::signal(box.endingSignal, SIG_DFL);
        std::raise(box.endingSignal);
    }
    return true;
}

} // namespace backend
