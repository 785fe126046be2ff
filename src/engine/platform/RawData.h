#pragma once
// A headerless raw grid read from a file: width x height samples, row after row,
// each of the bytes-per-pixel of its surface format (the height map and the
// object masks use P8, one byte a sample).

#include <cstdint>

// Bytes per sample of a surface format; 0 for formats without a size here.
uint32_t GetFormatBytesPerPixel(uint32_t format);

class RawData {
public:
    RawData() = default;
    ~RawData();
    RawData(const RawData&) = delete;
    RawData& operator=(const RawData&) = delete;

    uint32_t GetBytesPerPixel() const;
    // Reads bytes-per-pixel x width x height bytes from the start of the file
    // (more are ignored). The record is unchanged on failure.
    bool Load(const char* path, uint32_t width, uint32_t height, uint32_t format);
    // Takes `data` over when copy is false (it must come from AllocateInCategory),
    // else keeps a copy of its grid.
    void Set(uint32_t width, uint32_t height, uint32_t format, const char* name, uint8_t* data, bool copy);
    void Clear();

    char path[260] = {};
    uint8_t* data = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t format = 0;
};
