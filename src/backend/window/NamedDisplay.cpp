#include "backend/window/NamedDisplay.h"

#include <cstdlib>
#include <initializer_list>

namespace backend {

bool IsDisplayNamed()
{
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && value[0] != '\0')
            return true;
    }
    return false;
}

} // namespace backend
