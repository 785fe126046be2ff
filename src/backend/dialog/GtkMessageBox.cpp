#include "backend/dialog/GtkMessageBox.h"

#include "backend/dialog/LauncherDialog.h"

#include <glib-unix.h>
#include <gtk/gtk.h>

#include <csignal>

namespace backend {

namespace {

// A box up at exit must not keep the program from ending when it is told to.
gboolean CloseOnSignal(gpointer dialog)
{
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CLOSE);
    return G_SOURCE_CONTINUE;
}

} // namespace

bool ShowGtkMessageBox(const char* text, const char* caption)
{
    if (!OpenLauncherDisplay())
        return false;
    GtkWidget* dialog =
        gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR, GTK_BUTTONS_OK, "%s", text ? text : "");
    gtk_window_set_title(GTK_WINDOW(dialog), caption ? caption : "");
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
    const guint signals[] = {g_unix_signal_add(SIGTERM, CloseOnSignal, dialog),
                             g_unix_signal_add(SIGINT, CloseOnSignal, dialog),
                             g_unix_signal_add(SIGHUP, CloseOnSignal, dialog)};
    gtk_dialog_run(GTK_DIALOG(dialog));
    for (guint source : signals)
        g_source_remove(source);
    gtk_widget_destroy(dialog);
    // Let the window really go before the program carries on or ends.
    while (gtk_events_pending())
        gtk_main_iteration();
    return true;
}

} // namespace backend
