#include "backend/window/SystemWindow.h"

#include "backend/window/InstanceGuard.h"
#include "backend/window/KeyStateTable.h"
#include "backend/window/ScancodeTable.h"
#include "backend/window/WindowRecord.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace backend {

namespace {

struct RegisteredClass {
    std::string name;
    WindowClass windowClass;
};

// Windows can be created and their events watched from SDL's side, so the
// lists are guarded; recursive because SDL calls the watch from inside calls
// made with the lock held.
std::recursive_mutex g_WindowMutex;
std::vector<RegisteredClass> g_Classes;
std::vector<std::unique_ptr<WindowRecord>> g_Windows;
int g_CursorCount = 0;

// Keeps the focus, minimise and key states current as SDL takes in events, so
// they do not wait for the game to remove the events one per frame.
int WatchEvents(void*, SDL_Event* event)
{
    switch (event->type) {
    case SDL_WINDOWEVENT: {
        std::lock_guard lock(g_WindowMutex);
        WindowRecord* record = FindWindowRecordById(event->window.windowID);
        if (!record)
            break;
        switch (event->window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            record->focused = true;
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            record->focused = false;
            ClearKeyStates();
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            record->minimized = true;
            break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
            record->minimized = false;
            break;
        default:
            break;
        }
        break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        uint8_t keyNumber = ScancodeToKeyNumber(event->key.keysym.scancode);
        if (keyNumber != 0)
            SetKeyState(keyNumber, event->type == SDL_KEYDOWN);
        break;
    }
    default:
        break;
    }
    return 0;
}

const RegisteredClass* FindClass(const char* className)
{
    if (!className)
        return nullptr;
    for (const RegisteredClass& registered : g_Classes)
        if (registered.name == className)
            return &registered;
    return nullptr;
}

// Video starts with the first window and stays for the life of the process:
// stopping it would unload the GL driver, whose leftovers then show up as
// leaks, and the game has its one window until it ends anyway.
bool StartVideo()
{
    static bool started = false;
    if (started)
        return true;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return false;
    SDL_GL_LoadLibrary(nullptr);
    SDL_AddEventWatch(WatchEvents, nullptr);
    // A game that removes one message per frame would fall behind a stream of
    // mouse and touch motion, and it has no use for them.
    SDL_EventState(SDL_MOUSEMOTION, SDL_IGNORE);
    SDL_EventState(SDL_FINGERMOTION, SDL_IGNORE);
    SDL_EventState(SDL_MULTIGESTURE, SDL_IGNORE);
    SDL_ShowCursor(g_CursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
    ClearKeyStates();
    started = true;
    return true;
}

void FitOuterSize(SDL_Window* window, int x, int y, int width, int height)
{
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(window, &top, &left, &bottom, &right) != 0)
        return;
    SDL_SetWindowSize(window, std::max(1, width - left - right), std::max(1, height - top - bottom));
    SDL_SetWindowPosition(window, x + left, y + top);
}

} // namespace

WindowRecord* FindWindowRecord(const NativeWindow* window)
{
    std::lock_guard lock(g_WindowMutex);
    for (auto& record : g_Windows)
        if (&record->native == window)
            return record.get();
    return nullptr;
}

WindowRecord* FindWindowRecordById(uint32_t sdlWindowId)
{
    std::lock_guard lock(g_WindowMutex);
    for (auto& record : g_Windows)
        if (record->sdlWindowId == sdlWindowId)
            return record.get();
    return nullptr;
}

WindowRecord* FirstLiveWindowRecord()
{
    std::lock_guard lock(g_WindowMutex);
    for (auto& record : g_Windows)
        if (!record->closed)
            return record.get();
    return nullptr;
}

bool AnyWindowRecord()
{
    std::lock_guard lock(g_WindowMutex);
    return !g_Windows.empty();
}

bool RegisterWindowClass(const WindowClass& windowClass)
{
    std::lock_guard lock(g_WindowMutex);
    if (!windowClass.className || !windowClass.className[0] || FindClass(windowClass.className))
        return false;
    RegisteredClass registered{windowClass.className, windowClass};
    registered.windowClass.className = nullptr; // the copy above owns the text
    g_Classes.push_back(std::move(registered));
    return true;
}

bool UnregisterWindowClass(const char* className, InstanceHandle)
{
    std::lock_guard lock(g_WindowMutex);
    const RegisteredClass* registered = FindClass(className);
    if (!registered)
        return false;
    for (auto& record : g_Windows)
        if (record->className == registered->name)
            return false; // still in use
    g_Classes.erase(g_Classes.begin() + (registered - g_Classes.data()));
    return true;
}

NativeWindow* CreateWindow(const char* className, const char* title, uint32_t style, int x, int y, int width,
                           int height, InstanceHandle)
{
    std::lock_guard lock(g_WindowMutex);
    const RegisteredClass* registered = FindClass(className);
    if (!registered || width <= 0 || height <= 0 || !StartVideo())
        return nullptr;

    // The device makes its GL context on this window; the buffers it asks for
    // must be known when the window is made.
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);

    bool fullScreen = (style & WS_POPUP) != 0;
    uint32_t flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if (fullScreen)
        flags |= SDL_WINDOW_FULLSCREEN;
    SDL_Window* sdlWindow = SDL_CreateWindow(title ? title : "", x, y, width, height, flags);
    if (!sdlWindow)
        return nullptr;
    if (fullScreen) {
        SDL_DisplayMode wanted{SDL_PIXELFORMAT_UNKNOWN, width, height, 0, nullptr};
        SDL_DisplayMode closest;
        if (SDL_GetClosestDisplayMode(SDL_GetWindowDisplayIndex(sdlWindow), &wanted, &closest))
            SDL_SetWindowDisplayMode(sdlWindow, &closest);
    }

    auto record = std::make_unique<WindowRecord>();
    record->native.sdlWindow = sdlWindow;
    record->className = registered->name;
    record->procedure = registered->windowClass.procedure;
    record->sdlWindowId = SDL_GetWindowID(sdlWindow);
    WindowRecord* created = record.get();
    g_Windows.push_back(std::move(record));

    if (style & WS_VISIBLE)
        SDL_ShowWindow(sdlWindow);
    if (!fullScreen)
        FitOuterSize(sdlWindow, x, y, width, height);
    uint32_t state = SDL_GetWindowFlags(sdlWindow);
    created->focused = (state & SDL_WINDOW_INPUT_FOCUS) != 0;
    created->minimized = (state & SDL_WINDOW_MINIMIZED) != 0;
    NativeWindow* window = &created->native;
    SDL_StartTextInput();
    StartActivationListener(window, registered->name);
    return window;
}

bool DestroyWindow(NativeWindow* window)
{
    std::lock_guard lock(g_WindowMutex);
    auto it = std::find_if(g_Windows.begin(), g_Windows.end(),
                           [window](const auto& record) { return &record->native == window; });
    if (it == g_Windows.end())
        return false;
    StopActivationListener(window);
    std::unique_ptr<WindowRecord> record = std::move(*it);
    g_Windows.erase(it);
    SDL_DestroyWindow(record->native.sdlWindow);
    if (g_Windows.empty())
        ClearKeyStates();
    return true;
}

bool ShowWindow(NativeWindow* window, int showCommand)
{
    WindowRecord* record = FindWindowRecord(window);
    if (!record)
        return false;
    SDL_Window* sdlWindow = record->native.sdlWindow;
    bool wasVisible = (SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_SHOWN) != 0;
    switch (showCommand) {
    case SW_HIDE:
        SDL_HideWindow(sdlWindow);
        break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
        SDL_ShowWindow(sdlWindow);
        SDL_MinimizeWindow(sdlWindow);
        break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
        SDL_ShowWindow(sdlWindow);
        SDL_RestoreWindow(sdlWindow);
        break;
    default:
        SDL_ShowWindow(sdlWindow);
        break;
    }
    return wasVisible;
}

void ActivateWindow(NativeWindow* window)
{
    WindowRecord* record = FindWindowRecord(window);
    if (!record)
        return;
    SDL_Window* sdlWindow = record->native.sdlWindow;
    SDL_ShowWindow(sdlWindow);
    if (SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_MINIMIZED)
        SDL_RestoreWindow(sdlWindow);
    SDL_RaiseWindow(sdlWindow);
}

bool IsWindowAlive(const NativeWindow* window)
{
    WindowRecord* record = FindWindowRecord(window);
    return record && !record->closed;
}

// The queries look windows up rather than reading through the pointer: a
// destroyed window's handle may still be held (a keyboard bound to it).
bool WindowHasFocus(const NativeWindow* window)
{
    WindowRecord* record = FindWindowRecord(window);
    return record && record->focused;
}

bool WindowIsMinimized(const NativeWindow* window)
{
    WindowRecord* record = FindWindowRecord(window);
    return record && record->minimized;
}

WindowGeometry GetWindowGeometry(const NativeWindow* window)
{
    WindowGeometry geometry;
    WindowRecord* record = FindWindowRecord(window);
    if (!record)
        return geometry;
    SDL_Window* sdlWindow = record->native.sdlWindow;
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(sdlWindow, &top, &left, &bottom, &right) != 0)
        top = left = bottom = right = 0;
    int x = 0, y = 0;
    SDL_GetWindowPosition(sdlWindow, &x, &y);
    SDL_GetWindowSize(sdlWindow, &geometry.clientWidth, &geometry.clientHeight);
    geometry.x = x - left;
    geometry.y = y - top;
    geometry.width = geometry.clientWidth + left + right;
    geometry.height = geometry.clientHeight + top + bottom;
    return geometry;
}

int ShowCursor(bool show)
{
    std::lock_guard lock(g_WindowMutex);
    g_CursorCount += show ? 1 : -1;
    if (SDL_WasInit(SDL_INIT_VIDEO))
        SDL_ShowCursor(g_CursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return g_CursorCount;
}

bool IsCursorShown()
{
    std::lock_guard lock(g_WindowMutex);
    return g_CursorCount >= 0;
}

} // namespace backend
