#include "backend/window/InputDriver.h"

namespace backend {

InputResult InputDriver::Create(InstanceHandle, uint32_t version, std::unique_ptr<InputDriver>& driver)
{
    driver.reset();
    if (version != DIRECTINPUT_VERSION)
        return DIERR_OLDDIRECTINPUTVERSION;
    driver = std::make_unique<InputDriver>();
    return DI_OK;
}

InputResult InputDriver::CreateKeyboard(std::unique_ptr<KeyboardDevice>& keyboard)
{
    keyboard = std::make_unique<KeyboardDevice>();
    return DI_OK;
}

} // namespace backend
