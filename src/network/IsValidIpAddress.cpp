#include "network/IsValidIpAddress.h"

#include <cerrno>
#include <cstdlib>

namespace {

// One number as "%i" reads it, without its undefined overflow.
bool ReadPart(const char*& text)
{
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 0);
    if (end == text || errno == ERANGE || value < 0 || value > 255)
        return false;
    text = end;
    return true;
}

} // namespace

bool IsValidIpAddress(const char* text)
{
    if (text == nullptr)
        return false;
    for (int part = 0; part < 4; ++part) {
        if (!ReadPart(text))
            return false;
        if (part < 3 && *text++ != '.')
            return false;
    }
    return true;
}
