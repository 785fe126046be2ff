#include "engine/platform/Window.h"

#include "backend/window/InstanceGuard.h"
#include "backend/window/MessageQueue.h"
#include "backend/window/SystemWindow.h"
#include "engine/platform/Log.h"

#include <cstdio>

Window g_Window;
uint8_t g_LastTypedChar = 0;

namespace {

constexpr uint32_t WINDOWED_STYLE = 0x100A0000u;    // visible, title bar, system menu, minimise box
constexpr uint32_t FULL_SCREEN_STYLE = 0x90000000u; // visible popup

} // namespace

bool Window::CheckSingleInstance(const char* name)
{
    bool alreadyExists = !backend::CreateInstanceLock(name);
    if (alreadyExists) {
        backend::RunningWindow existing = backend::FindWindow(name);
        if (existing) {
            existing.Activate();
            return false;
        }
    }
    std::snprintf(this->name, sizeof(this->name), "%s", name ? name : "");
    return true;
}

bool Window::ActivateExistingWindow()
{
    backend::RunningWindow existing = backend::FindWindow(name);
    if (!existing)
        return false;
    existing.Activate();
    return true;
}

bool Window::Create(backend::InstanceHandle hInstance, int showCommand, int iconName, int cursorName,
                    const char* menuName, int width, int height, bool windowed, backend::WindowProcedure windowProc)
{
    this->hInstance = hInstance;
    windowClass = backend::WindowClass{};
    windowClass.size = sizeof(backend::WindowClass);
    windowClass.style = backend::CS_HREDRAW | backend::CS_VREDRAW;
    windowClass.procedure = windowProc;
    windowClass.classExtraBytes = 0;
    windowClass.windowExtraBytes = 4;
    windowClass.instance = hInstance;
    windowClass.iconId = iconName;
    windowClass.smallIconId = iconName;
    windowClass.cursorId = cursorName;
    windowClass.menuName = menuName;
    windowClass.className = name;

    LogMessage("\nRegistering window class...");
    if (!backend::RegisterWindowClass(windowClass))
        return ReportError("Error registering window class!");

    LogMessage("\nCreating window...");
    uint32_t style = windowed ? WINDOWED_STYLE : FULL_SCREEN_STYLE;
    hWnd = backend::CreateWindow(name, name, style, 0, 0, width, height, hInstance);
    if (!hWnd) {
        // The class stays registered, as it would after a failed creation.
        return ReportError("Error creating window!");
    }

    backend::ShowWindow(hWnd, showCommand);
    backend::ShowCursor(windowed);
    created = true;
    return true;
}

void Window::ShowMouseCursor()
{
    backend::ShowCursor(true);
}

void Window::Destroy()
{
    if (hWnd)
        backend::DestroyWindow(hWnd);
    backend::UnregisterWindowClass(name, hInstance);
    hWnd = nullptr;
    created = false;
}

intptr_t WindowProc(backend::NativeWindow* hWnd, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    g_LastTypedChar = 0;
    switch (message) {
    case backend::WM_DESTROY:
        backend::PostQuitMessage(0);
        break;
    case backend::WM_PAINT:
        // Nothing to draw here: the main loop draws every frame.
        break;
    case backend::WM_CHAR:
        g_LastTypedChar = static_cast<uint8_t>(wParam & 0xFF);
        break;
    default:
        break;
    }
    return backend::DefWindowProc(hWnd, message, wParam, lParam);
}
