#include "engine/platform/File.h"

#include "backend/files/Files.h"

bool File::Open(const char* name, const char* mode)
{
    Close();
    stream = backend::OpenFile(name, mode);
    return stream != nullptr;
}

void File::Close()
{
    if (stream) {
        std::fclose(stream);
        stream = nullptr;
    }
}

bool File::ReadString(char* buffer, unsigned maxLength)
{
    if (!stream)
        return false;
    for (unsigned i = 0; i < maxLength; ++i) {
        int c = std::fgetc(stream);
        if (c == EOF)
            return false;
        buffer[i] = static_cast<char>(c);
        if (c == 0)
            return true;
    }
    return false;
}
