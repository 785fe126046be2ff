#pragma once
// Little-endian byte output for the binary file writers.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace datagen {

class ByteWriter {
public:
    void U8(uint8_t v) { bytes.push_back(v); }
    void U16(uint16_t v)
    {
        U8(static_cast<uint8_t>(v));
        U8(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v)
    {
        U16(static_cast<uint16_t>(v));
        U16(static_cast<uint16_t>(v >> 16));
    }
    void I16(int16_t v) { U16(static_cast<uint16_t>(v)); }
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    void F32(float v)
    {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        U32(bits);
    }
    void Raw(const void* data, size_t size)
    {
        const auto* p = static_cast<const uint8_t*>(data);
        bytes.insert(bytes.end(), p, p + size);
    }
    void Text(const std::string& text) { Raw(text.data(), text.size()); }
    // `text` in a field of `size` bytes, cut or padded with zeros.
    void FixedText(const std::string& text, size_t size)
    {
        for (size_t i = 0; i < size; ++i)
            U8(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
    }
    // Cuts the output after `size` bytes (no effect when it is shorter).
    void TruncateTo(size_t size)
    {
        if (size < bytes.size())
            bytes.resize(size);
    }
    size_t Size() const { return bytes.size(); }

    std::vector<uint8_t> bytes;
};

} // namespace datagen
