#include "backend/window/MessageQueue.h"

#include "backend/window/InstanceGuard.h"
#include "backend/window/ScancodeTable.h"
#include "backend/window/WindowRecord.h"

#include <SDL.h>

#include <deque>
#include <mutex>

namespace backend {

namespace {

std::mutex g_QueueMutex;
std::deque<Message> g_Posted;
bool g_QuitPosted = false;
int g_QuitCode = 0;

NativeWindow* WindowOf(uint32_t sdlWindowId)
{
    WindowRecord* record = FindWindowRecordById(sdlWindowId);
    return record ? &record->native : nullptr;
}

uint32_t VirtualKey(SDL_Keycode key)
{
    switch (key) {
    case SDLK_BACKSPACE:
        return VK_BACK;
    case SDLK_TAB:
        return VK_TAB;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return VK_RETURN;
    case SDLK_ESCAPE:
        return VK_ESCAPE;
    case SDLK_SPACE:
        return VK_SPACE;
    case SDLK_LEFT:
        return VK_LEFT;
    case SDLK_UP:
        return VK_UP;
    case SDLK_RIGHT:
        return VK_RIGHT;
    case SDLK_DOWN:
        return VK_DOWN;
    default:
        break;
    }
    if (key >= SDLK_a && key <= SDLK_z)
        return uint32_t(key - SDLK_a) + 'A';
    if (key >= SDLK_0 && key <= SDLK_9)
        return uint32_t(key);
    return 0;
}

// lParam of a key message: repeat count 1, the scan code in bits 16-23, the
// extended flag in bit 24, the previous key state in bit 30 and the
// transition (released) in bit 31.
intptr_t KeyParameter(const SDL_KeyboardEvent& key)
{
    uint32_t keyNumber = ScancodeToKeyNumber(key.keysym.scancode);
    uint32_t value = 1 | ((keyNumber & 0x7F) << 16);
    if (keyNumber & 0x80)
        value |= 1u << 24;
    if (key.type == SDL_KEYUP)
        value |= (1u << 30) | (1u << 31);
    else if (key.repeat)
        value |= 1u << 30;
    return intptr_t(value);
}

// The Latin-1 bytes of UTF-8 text; characters beyond U+00FF and broken
// sequences are dropped.
std::deque<uint8_t> Latin1Bytes(const char* text)
{
    std::deque<uint8_t> bytes;
    const auto* p = reinterpret_cast<const uint8_t*>(text);
    while (*p) {
        uint8_t lead = *p;
        if (lead < 0x80) {
            bytes.push_back(lead);
            ++p;
            continue;
        }
        int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        uint32_t codePoint = length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        bool valid = length > 1;
        int used = 1;
        for (; used < length; ++used) {
            if ((p[used] & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            codePoint = (codePoint << 6) | (p[used] & 0x3F);
        }
        if (valid && codePoint >= 0x80 && codePoint <= 0xFF)
            bytes.push_back(uint8_t(codePoint));
        p += used;
    }
    return bytes;
}

Message WindowEventMessage(const SDL_WindowEvent& event, Message message)
{
    message.window = WindowOf(event.windowID);
    switch (event.event) {
    case SDL_WINDOWEVENT_CLOSE:
        message.message = WM_CLOSE;
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        message.message = WM_SETFOCUS;
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        message.message = WM_KILLFOCUS;
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        message.message = WM_SIZE;
        message.wParam = SIZE_MINIMIZED;
        break;
    case SDL_WINDOWEVENT_RESTORED:
        message.message = WM_SIZE;
        message.wParam = SIZE_RESTORED;
        break;
    case SDL_WINDOWEVENT_EXPOSED:
        message.message = WM_PAINT;
        break;
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_HIDDEN:
        message.message = WM_SHOWWINDOW;
        message.wParam = event.event == SDL_WINDOWEVENT_SHOWN;
        break;
    default:
        message.message = WM_NULL;
        break;
    }
    return message;
}

// One SDL event as one message; extra characters of a text event are posted
// behind it. Events the game has no message for become WM_NULL, which still
// counts as a message.
Message Translate(const SDL_Event& event)
{
    Message message;
    message.time = event.common.timestamp;
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        message.window = WindowOf(event.key.windowID);
        message.message = event.type == SDL_KEYDOWN ? WM_KEYDOWN : WM_KEYUP;
        message.wParam = VirtualKey(event.key.keysym.sym);
        message.lParam = KeyParameter(event.key);
        return message;
    case SDL_TEXTINPUT: {
        message.window = WindowOf(event.text.windowID);
        std::deque<uint8_t> bytes = Latin1Bytes(event.text.text);
        if (bytes.empty())
            return message;
        message.message = WM_CHAR;
        message.wParam = bytes.front();
        message.lParam = 1;
        bytes.pop_front();
        std::lock_guard lock(g_QueueMutex);
        for (uint8_t byte : bytes)
            g_Posted.push_back(Message{message.window, WM_CHAR, byte, 1, message.time});
        return message;
    }
    case SDL_WINDOWEVENT:
        return WindowEventMessage(event.window, message);
    case SDL_QUIT:
        // The system asks the game to end: close its window, or quit at once
        // when there is none.
        if (WindowRecord* record = FirstLiveWindowRecord()) {
            message.window = &record->native;
            message.message = WM_CLOSE;
        } else if (!AnyWindowRecord()) {
            message.message = WM_QUIT;
        }
        return message;
    default:
        return message;
    }
}

} // namespace

bool PeekMessage(Message& message)
{
    ServeActivationRequests();
    // SDL takes in new events only once the game has removed all it had; a
    // game that removes one a frame would see keys released long ago as
    // held. Taking them in at every call keeps the key states current.
    if (SDL_WasInit(SDL_INIT_EVENTS))
        SDL_PumpEvents();
    {
        std::lock_guard lock(g_QueueMutex);
        if (!g_Posted.empty()) {
            message = g_Posted.front();
            g_Posted.pop_front();
            return true;
        }
        if (g_QuitPosted) {
            g_QuitPosted = false;
            message = Message{nullptr, WM_QUIT, uintptr_t(g_QuitCode), 0, 0};
            return true;
        }
    }
    if (!SDL_WasInit(SDL_INIT_EVENTS))
        return false;
    // SDL ends a poll cycle at a marker it queues behind the events it had;
    // events pushed after the marker need a second poll.
    SDL_Event event;
    for (int cycle = 0; cycle < 2; ++cycle) {
        while (SDL_PollEvent(&event)) {
            // Motion comes in streams; the game has no use for it (see StartVideo).
            if (event.type == SDL_POLLSENTINEL || event.type == SDL_MOUSEMOTION || event.type == SDL_FINGERMOTION ||
                event.type == SDL_MULTIGESTURE)
                continue;
            message = Translate(event);
            // The game has one window: events that name none go to it.
            if (!message.window && message.message != WM_QUIT)
                if (WindowRecord* record = FirstLiveWindowRecord())
                    message.window = &record->native;
            return true;
        }
    }
    return false;
}

bool TranslateMessage(const Message& message)
{
    if (message.message != WM_KEYDOWN)
        return false;
    switch (message.wParam) {
    case VK_BACK:
    case VK_TAB:
    case VK_RETURN:
    case VK_ESCAPE:
        return PostMessage(message.window, WM_CHAR, message.wParam, message.lParam);
    default:
        return false;
    }
}

intptr_t DispatchMessage(const Message& message)
{
    WindowRecord* record = FindWindowRecord(message.window);
    if (!record || record->closed || !record->procedure)
        return 0;
    return record->procedure(message.window, message.message, message.wParam, message.lParam);
}

intptr_t DefWindowProc(NativeWindow* window, uint32_t message, uintptr_t, intptr_t)
{
    if (message != WM_CLOSE)
        return 0;
    WindowRecord* record = FindWindowRecord(window);
    if (!record || record->closed)
        return 0;
    record->closed = true;
    if (record->procedure)
        record->procedure(window, WM_DESTROY, 0, 0);
    return 0;
}

bool PostMessage(NativeWindow* window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    std::lock_guard lock(g_QueueMutex);
    g_Posted.push_back(Message{window, message, wParam, lParam, SDL_GetTicks()});
    return true;
}

void PostQuitMessage(int exitCode)
{
    std::lock_guard lock(g_QueueMutex);
    g_QuitPosted = true;
    g_QuitCode = exitCode;
}

void ClearMessageQueue()
{
    {
        std::lock_guard lock(g_QueueMutex);
        g_Posted.clear();
        g_QuitPosted = false;
        g_QuitCode = 0;
    }
    if (SDL_WasInit(SDL_INIT_EVENTS))
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
}

} // namespace backend
