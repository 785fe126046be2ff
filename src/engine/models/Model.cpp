#include "engine/models/Model.h"

#include <cstring>

bool Model::SetName(const char* path)
{
    const size_t length = std::strlen(path);
    if (length >= sizeof(name))
        return false;
    std::memcpy(name, path, length + 1);
    return true;
}

int32_t Model::ClampFrame(int32_t frame, int32_t frameCount)
{
    if (frame < 0 || frameCount <= 0)
        return 0;
    return frame >= frameCount ? frameCount - 1 : frame;
}
