#pragma once
// A minimal file holder for the loaders.

#include <cstdio>

class File {
public:
    File() = default;
    ~File() { Close(); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens a game path (backslashes, relative to the game's folder).
    bool Open(const char* name, const char* mode);
    void Close();
    // Reads bytes until a zero byte has been stored; false when maxLength is 0,
    // when maxLength bytes held no zero, or at the end of the file.
    bool ReadString(char* buffer, unsigned maxLength);

    FILE* stream = nullptr;
};
