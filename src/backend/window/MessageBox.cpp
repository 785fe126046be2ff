#include "backend/window/MessageBox.h"

#include "backend/window/EndOnStopSignal.h"
#include "backend/window/NamedDisplay.h"
#include "backend/window/SystemWindow.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace backend {

namespace {

std::mutex g_HookMutex;
MessageBoxHook g_Hook;
MessageBoxFallback g_Fallback = nullptr;

// A box needs a display server that answers; the offscreen and dummy drivers
// have none, and without one SDL would fail or, worse, find one the tests did
// not mean.
bool HaveDisplay()
{
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0))
        return false;
    return IsDisplayNamed() && NamedDisplayAnswers(std::chrono::steady_clock::now());
}

bool ShowSdlBox(NativeWindow* owner, const char* text, const char* caption)
{
    // SDL's box waits for its drawing process through signals it would only note.
    const EndOnStopSignal endOnStop;
    SDL_Window* parent = IsWindowAlive(owner) ? owner->sdlWindow : nullptr;
    return SDL_ShowSimpleMessageBox(0, caption, text, parent) == 0;
}

} // namespace

bool ShowMessageBox(NativeWindow* owner, const char* text, const char* caption, uint32_t)
{
    text = text ? text : "";
    caption = caption ? caption : "";
    MessageBoxHook hook;
    MessageBoxFallback fallback = nullptr;
    {
        std::lock_guard lock(g_HookMutex);
        hook = g_Hook;
        fallback = g_Fallback;
    }
    if (hook) {
        hook(owner, text, caption);
        return true;
    }
    std::fprintf(stderr, "%s: %s\n", caption, text);
    std::fflush(stderr);
    if (!HaveDisplay())
        return false;
    if (ShowSdlBox(owner, text, caption))
        return true;
    return fallback != nullptr && fallback(text, caption);
}

void SetMessageBoxFallback(MessageBoxFallback fallback)
{
    std::lock_guard lock(g_HookMutex);
    g_Fallback = fallback;
}

void SetMessageBoxHook(MessageBoxHook hook)
{
    std::lock_guard lock(g_HookMutex);
    g_Hook = std::move(hook);
}

} // namespace backend
