#pragma once
// The input service the game opens once: it hands out the system keyboard.

#include "backend/window/InputResult.h"
#include "backend/window/KeyboardDevice.h"
#include "backend/window/WindowTypes.h"

#include <memory>

namespace backend {

class InputDriver {
public:
    // Fails with DIERR_OLDDIRECTINPUTVERSION for an interface version other
    // than DIRECTINPUT_VERSION.
    static InputResult Create(InstanceHandle instance, uint32_t version, std::unique_ptr<InputDriver>& driver);

    InputResult CreateKeyboard(std::unique_ptr<KeyboardDevice>& keyboard);
};

} // namespace backend
