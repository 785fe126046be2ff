// The GTK side of the dialog tests. The test program starts itself again
// under a virtual X server with VANTREL_LAUNCHER_SCENARIO set; this file then
// runs that scenario before any test starts, driving the dialog with key
// events through GTK, and exits 0 when everything went as expected.

#include "DialogTestModel.h"

#include <gtk/gtk.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

using namespace backend;

namespace dialogtest {

// ErrorBoxScenarios.cpp
int RunErrorBoxScenario(const std::string& name);

namespace {

constexpr guint STEP_MS = 40;
constexpr int MAX_TABS = 40;
constexpr const char* SCREENSHOT_FILE = "launcher-dialog.png";

// One scenario step; returns false to be called again on the next tick.
using Step = std::function<bool()>;

struct Driver {
    GtkWidget* window = nullptr;
    guint tick = 0;
    std::vector<Step> steps;
    size_t next = 0;
    int tabs = 0;
    std::vector<std::string> errors;
};

void Fail(Driver& driver, const std::string& message)
{
    driver.errors.push_back(message);
}

void SendKey(GtkWidget* window, guint keyval)
{
    GdkWindow* gdkWindow = gtk_widget_get_window(window);
    GdkDisplay* display = gdk_window_get_display(gdkWindow);
    for (GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
        GdkEvent* event = gdk_event_new(type);
        event->key.window = GDK_WINDOW(g_object_ref(gdkWindow));
        event->key.send_event = TRUE;
        event->key.time = GDK_CURRENT_TIME;
        event->key.keyval = keyval;
        GdkKeymapKey* keys = nullptr;
        gint count = 0;
        if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display), keyval, &keys, &count) &&
            count > 0) {
            event->key.hardware_keycode = guint16(keys[0].keycode);
            event->key.group = guint8(keys[0].group);
        }
        g_free(keys);
        gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(display)));
        gtk_main_do_event(event);
        gdk_event_free(event);
    }
}

const char* NameOf(GtkWidget* widget)
{
    return GTK_IS_BUILDABLE(widget) ? gtk_buildable_get_name(GTK_BUILDABLE(widget)) : nullptr;
}

void CollectNamed(GtkWidget* widget, gpointer user)
{
    auto* found = static_cast<std::pair<const char*, GtkWidget*>*>(user);
    const char* name = NameOf(widget);
    if (!found->second && name && std::strcmp(name, found->first) == 0)
        found->second = widget;
    if (!found->second && GTK_IS_CONTAINER(widget))
        gtk_container_forall(GTK_CONTAINER(widget), CollectNamed, user);
}

GtkWidget* Find(Driver& driver, const char* name)
{
    std::pair<const char*, GtkWidget*> found{name, nullptr};
    CollectNamed(driver.window, &found);
    return found.second;
}

// True when the focus is on the named control or inside it.
bool FocusIsOn(Driver& driver, const char* name)
{
    for (GtkWidget* w = gtk_window_get_focus(GTK_WINDOW(driver.window)); w; w = gtk_widget_get_parent(w)) {
        const char* n = NameOf(w);
        if (n && std::strcmp(n, name) == 0)
            return true;
    }
    return false;
}

Step Key(Driver& driver, guint keyval)
{
    return [&driver, keyval] {
        SendKey(driver.window, keyval);
        return true;
    };
}

// Tab until the named control has the focus.
Step TabTo(Driver& driver, const char* name)
{
    return [&driver, name] {
        if (FocusIsOn(driver, name)) {
            driver.tabs = 0;
            return true;
        }
        if (++driver.tabs > MAX_TABS) {
            Fail(driver, std::string("Tab never reached ") + name);
            driver.tabs = 0;
            return true;
        }
        SendKey(driver.window, GDK_KEY_Tab);
        return false;
    };
}

Step ExpectSensitive(Driver& driver, const char* name, bool sensitive)
{
    return [&driver, name, sensitive] {
        GtkWidget* widget = Find(driver, name);
        if (!widget)
            Fail(driver, std::string("no control ") + name);
        else if (bool(gtk_widget_is_sensitive(widget)) != sensitive)
            Fail(driver, std::string(name) + (sensitive ? " is disabled" : " is enabled"));
        return true;
    };
}

Step Screenshot(Driver& driver)
{
    return [&driver] {
        GdkWindow* w = gtk_widget_get_window(driver.window);
        GdkPixbuf* shot = gdk_pixbuf_get_from_window(w, 0, 0, gdk_window_get_width(w), gdk_window_get_height(w));
        if (!shot || !gdk_pixbuf_save(shot, SCREENSHOT_FILE, "png", nullptr, nullptr))
            Fail(driver, "no screenshot");
        if (shot)
            g_object_unref(shot);
        return true;
    };
}

Step Close(Driver& driver)
{
    return [&driver] {
        GdkEvent* event = gdk_event_new(GDK_DELETE);
        event->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(driver.window)));
        event->any.send_event = TRUE;
        gtk_main_do_event(event);
        gdk_event_free(event);
        return true;
    };
}

gboolean Tick(gpointer user)
{
    Driver& driver = *static_cast<Driver*>(user);
    if (driver.next >= driver.steps.size()) {
        // Still open after the last step: end it so the scenario can't hang.
        Fail(driver, "the dialog was still open after the last step");
        driver.tick = 0;
        SendKey(driver.window, GDK_KEY_Escape);
        return G_SOURCE_REMOVE;
    }
    if (driver.steps[driver.next]())
        ++driver.next;
    return G_SOURCE_CONTINUE;
}

// The dialog takes its window down once it has ended; a tick due while it
// lets GTK finish that must not find the window gone.
void OnTakenDown(GtkWidget*, gpointer user)
{
    Driver& driver = *static_cast<Driver*>(user);
    if (driver.tick != 0)
        g_source_remove(driver.tick);
    driver.tick = 0;
}

void OnShown(void* gtkWindow, void* user)
{
    Driver& driver = *static_cast<Driver*>(user);
    driver.window = static_cast<GtkWidget*>(gtkWindow);
    driver.tick = g_timeout_add(STEP_MS, Tick, &driver);
    g_signal_connect(driver.window, "unmap", G_CALLBACK(OnTakenDown), &driver);
}

void Expect(Driver& driver, bool condition, const char* what)
{
    if (!condition)
        Fail(driver, what);
}

int RunScenario(const std::string& name)
{
    if (name.rfind("errorbox", 0) == 0)
        return RunErrorBoxScenario(name);
    DialogTestModel model;
    Driver driver;
    LauncherOutcome expected = LauncherOutcome::Quit;

    if (name == "keyboard") {
        expected = LauncherOutcome::Play;
        driver.steps = {
            ExpectSensitive(driver, "display_mode", true),
            ExpectSensitive(driver, "anisotropy", false),
            TabTo(driver, "render_device"),
            Key(driver, GDK_KEY_Down),
            TabTo(driver, "windowed"),
            Key(driver, GDK_KEY_space),
            ExpectSensitive(driver, "display_mode", false),
            TabTo(driver, "texture_filter"),
            Key(driver, GDK_KEY_Down),
            Key(driver, GDK_KEY_Down),
            ExpectSensitive(driver, "anisotropy", true),
            TabTo(driver, "anisotropy"),
            Key(driver, GDK_KEY_Down),
            Screenshot(driver),
            Key(driver, GDK_KEY_Return),
        };
    } else if (name == "escape") {
        model.SetChecked(LAUNCHER_DISABLE_MUSIC, true);
        driver.steps = {ExpectSensitive(driver, "play", true), Key(driver, GDK_KEY_Escape)};
    } else if (name == "close") {
        driver.steps = {Close(driver)};
    } else if (name == "refused") {
        model.playAllowed = false;
        driver.steps = {ExpectSensitive(driver, "play", false), Key(driver, GDK_KEY_Return),
                        Key(driver, GDK_KEY_KP_Enter), Key(driver, GDK_KEY_Escape)};
    } else if (name != "nodisplay") {
        std::fprintf(stderr, "unknown scenario %s\n", name.c_str());
        return 2;
    }

    const LauncherOutcome outcome = RunLauncherDialog(model, OnShown, &driver);
    if (name == "nodisplay") {
        Expect(driver, outcome == LauncherOutcome::Failed, "the dialog did not fail without a display");
    } else {
        Expect(driver, outcome == expected, "unexpected outcome");
        Expect(driver, driver.next == driver.steps.size(), "the dialog ended before its last step");
    }
    if (name == "keyboard") {
        // The program keeps the C locale (the child runs with LC_ALL=C.UTF-8).
        const char* numeric = setlocale(LC_NUMERIC, nullptr);
        Expect(driver, numeric && std::strcmp(numeric, "C") == 0, "the dialog changed the program's locale");
        Expect(driver, model.Selection(LAUNCHER_RENDER_DEVICE) == 1, "render device row");
        Expect(driver, model.IsChecked(LAUNCHER_WINDOWED), "windowed box");
        Expect(driver, model.Selection(LAUNCHER_TEXTURE_FILTER) == 2, "texture filter row");
        Expect(driver, model.Selection(LAUNCHER_ANISOTROPY) == 1, "anisotropy row");
        Expect(driver, model.Selection(LAUNCHER_DISPLAY_MODE) == 0, "display mode row");
        Expect(driver, !model.IsChecked(LAUNCHER_TRIPLE_BUFFERING), "triple buffering box");
    }
    if (name == "escape")
        Expect(driver, model.IsChecked(LAUNCHER_DISABLE_MUSIC), "the dialog lost a preset box");
    for (const std::string& error : driver.errors)
        std::fprintf(stderr, "scenario %s: %s\n", name.c_str(), error.c_str());
    return driver.errors.empty() ? 0 : 1;
}

// Runs before the tests when the program was started for a scenario.
struct ScenarioEntry {
    ScenarioEntry()
    {
        const char* scenario = std::getenv("VANTREL_LAUNCHER_SCENARIO");
        if (!scenario)
            return;
        const int code = RunScenario(scenario);
        std::fflush(stderr);
        // GTK keeps its process-wide caches to the end; leave without a leak report on them.
        _exit(code);
    }
} g_scenarioEntry;

} // namespace

} // namespace dialogtest
