#pragma once
// Bounds-checked little-endian reads from a file held in memory. Every read
// fails, without moving, once it would run past the end.

#include <cstddef>
#include <cstdint>
#include <cstring>

class ByteReader {
public:
    ByteReader(const uint8_t* bytes, size_t byteCount) : data(bytes), size(bytes ? byteCount : 0) {}

    size_t Remaining() const { return size - offset; }
    size_t Offset() const { return offset; }

    bool Bytes(void* out, size_t count)
    {
        if (count > Remaining())
            return false;
        if (count)
            std::memcpy(out, data + offset, count);
        offset += count;
        return true;
    }
    bool Skip(size_t count)
    {
        if (count > Remaining())
            return false;
        offset += count;
        return true;
    }
    bool I32(int32_t& out) { return Bytes(&out, 4); }
    bool U16(uint16_t& out) { return Bytes(&out, 2); }
    bool I16(int16_t& out) { return Bytes(&out, 2); }
    bool F32(float& out) { return Bytes(&out, 4); }
    bool U8(uint8_t& out) { return Bytes(&out, 1); }
    // A zero-terminated string of at most maxLength bytes (the zero included);
    // false when no zero comes within them or the data ends first.
    bool String(char* out, size_t maxLength)
    {
        for (size_t i = 0; i < maxLength && offset + i < size; ++i) {
            if (data[offset + i] == 0) {
                std::memcpy(out, data + offset, i + 1);
                offset += i + 1;
                return true;
            }
        }
        return false;
    }

private:
    const uint8_t* data;
    size_t size;
    size_t offset = 0;
};

static_assert(sizeof(float) == 4);
