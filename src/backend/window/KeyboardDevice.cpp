#include "backend/window/KeyboardDevice.h"

#include "backend/window/KeyStateTable.h"
#include "backend/window/SystemWindow.h"

namespace backend {

InputResult KeyboardDevice::SetDataFormat()
{
    if (acquired_)
        return DIERR_INVALIDPARAM;
    formatSet_ = true;
    return DI_OK;
}

InputResult KeyboardDevice::SetCooperativeLevel(NativeWindow* window, uint32_t flags)
{
    bool exclusive = (flags & DISCL_EXCLUSIVE) != 0, nonExclusive = (flags & DISCL_NONEXCLUSIVE) != 0;
    bool foreground = (flags & DISCL_FOREGROUND) != 0, background = (flags & DISCL_BACKGROUND) != 0;
    if (exclusive == nonExclusive || foreground == background || (foreground && !window) || acquired_)
        return DIERR_INVALIDPARAM;
    window_ = window;
    cooperativeLevel_ = flags;
    return DI_OK;
}

bool KeyboardDevice::ForegroundWithoutFocus() const
{
    return (cooperativeLevel_ & DISCL_FOREGROUND) && !WindowHasFocus(window_);
}

InputResult KeyboardDevice::Acquire()
{
    ++acquireCount_;
    if (!acquireFailures_.empty()) {
        InputResult result = acquireFailures_.front();
        acquireFailures_.pop_front();
        if (result != DI_OK)
            return result;
    }
    if (!formatSet_)
        return DIERR_INVALIDPARAM;
    if (ForegroundWithoutFocus())
        return DIERR_OTHERAPPHASPRIO;
    if (acquired_)
        return DI_NOEFFECT;
    acquired_ = true;
    return DI_OK;
}

InputResult KeyboardDevice::Unacquire()
{
    if (!acquired_)
        return DI_NOEFFECT;
    acquired_ = false;
    return DI_OK;
}

InputResult KeyboardDevice::GetDeviceState(uint32_t size, void* data)
{
    ++readCount_;
    if (size != STATE_SIZE || !data)
        return DIERR_INVALIDPARAM;
    if (!readFailures_.empty()) {
        InputResult result = readFailures_.front();
        readFailures_.pop_front();
        if (result < 0) {
            acquired_ = false;
            return result;
        }
    }
    if (!acquired_)
        return DIERR_NOTACQUIRED;
    if (ForegroundWithoutFocus()) {
        acquired_ = false;
        return DIERR_INPUTLOST;
    }
    CopyKeyStates(static_cast<uint8_t*>(data));
    return DI_OK;
}

} // namespace backend
