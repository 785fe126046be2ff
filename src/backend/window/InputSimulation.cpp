#include "backend/window/InputSimulation.h"

#include "backend/window/ScancodeTable.h"
#include "backend/window/WindowRecord.h"

#include <SDL.h>

#include <cstring>

namespace backend {

namespace {

uint32_t WindowId(NativeWindow* window)
{
    WindowRecord* record = FindWindowRecord(window);
    return record ? record->sdlWindowId : 0;
}

bool Push(SDL_Event& event)
{
    if (!SDL_WasInit(SDL_INIT_EVENTS))
        return false;
    event.common.timestamp = SDL_GetTicks();
    return SDL_PushEvent(&event) == 1;
}

} // namespace

bool SimulateKey(NativeWindow* window, uint8_t keyNumber, bool down, bool repeat)
{
    int scancode = KeyNumberToScancode(keyNumber);
    if (scancode == 0)
        return false;
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.windowID = WindowId(window);
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat ? 1 : 0;
    event.key.keysym.scancode = SDL_Scancode(scancode);
    event.key.keysym.sym = SDL_GetKeyFromScancode(SDL_Scancode(scancode));
    return Push(event);
}

bool SimulateText(NativeWindow* window, const char* utf8)
{
    SDL_Event event{};
    event.type = SDL_TEXTINPUT;
    event.text.windowID = WindowId(window);
    if (!utf8 || std::strlen(utf8) >= sizeof(event.text.text))
        return false;
    std::strcpy(event.text.text, utf8);
    return Push(event);
}

bool SimulateWindowEvent(NativeWindow* window, SimulatedWindowEvent simulated)
{
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = WindowId(window);
    switch (simulated) {
    case SimulatedWindowEvent::FocusGained:
        event.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
        break;
    case SimulatedWindowEvent::FocusLost:
        event.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
        break;
    case SimulatedWindowEvent::Minimized:
        event.window.event = SDL_WINDOWEVENT_MINIMIZED;
        break;
    case SimulatedWindowEvent::Restored:
        event.window.event = SDL_WINDOWEVENT_RESTORED;
        break;
    case SimulatedWindowEvent::Close:
        event.window.event = SDL_WINDOWEVENT_CLOSE;
        break;
    }
    return Push(event);
}

bool SimulateQuit()
{
    SDL_Event event{};
    event.type = SDL_QUIT;
    return Push(event);
}

bool SimulateOtherEvent()
{
    SDL_Event event{};
    event.type = SDL_KEYMAPCHANGED;
    return Push(event);
}

} // namespace backend
