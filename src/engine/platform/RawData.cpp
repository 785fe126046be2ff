#include "engine/platform/RawData.h"

#include "engine/platform/File.h"
#include "engine/platform/Log.h"
#include "engine/platform/Memory.h"

#include "backend/files/Files.h"
#include "backend/gpu/GpuFormat.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Larger grids than this are refused rather than allocated.
constexpr uint64_t RAW_MAX_BYTES = uint64_t(1) << 30;

uint64_t GridBytes(uint32_t width, uint32_t height, uint32_t format)
{
    // At most 4 x (2^32 - 1)^2 would overflow 64 bits: saturate instead.
    uint64_t cells = uint64_t(width) * height;
    uint64_t bpp = GetFormatBytesPerPixel(format);
    if (bpp != 0 && cells > UINT64_MAX / bpp)
        return UINT64_MAX;
    return cells * bpp;
}

void CopyName(char (&to)[260], const char* name)
{
    std::snprintf(to, sizeof to, "%s", name ? name : "");
}

} // namespace

uint32_t GetFormatBytesPerPixel(uint32_t format)
{
    switch (format) {
    case backend::D3DFMT_R8G8B8:
        return 3;
    case backend::D3DFMT_A8R8G8B8:
    case backend::D3DFMT_X8R8G8B8:
        return 4;
    case backend::D3DFMT_R5G6B5:
    case backend::D3DFMT_X1R5G5B5:
    case backend::D3DFMT_A1R5G5B5:
    case backend::D3DFMT_A4R4G4B4:
        return 2;
    case backend::D3DFMT_A8:
    case backend::D3DFMT_P8:
        return 1;
    default:
        return 0;
    }
}

RawData::~RawData()
{
    Clear();
}

uint32_t RawData::GetBytesPerPixel() const
{
    return GetFormatBytesPerPixel(format);
}

bool RawData::Load(const char* fileName, uint32_t newWidth, uint32_t newHeight, uint32_t newFormat)
{
    uint64_t size = GridBytes(newWidth, newHeight, newFormat);
    if (size == 0)
        return false;
    if (fileName == nullptr)
        return ReportError("Error loading RAW file: File not found!");
    LogFormat("\nLoading raw data from file \"%s\"...", fileName);
    if (std::strlen(fileName) >= sizeof path)
        return ReportError("Error loading RAW file: File name too long!");
    if (size > RAW_MAX_BYTES)
        return ReportError("Error loading RAW file: Grid too large!");

    // Only the grid's bytes are read, so any size of regular file will do.
    File file;
    std::string refusal;
    file.stream = backend::OpenFileForReading(fileName, backend::NO_FILE_SIZE_LIMIT, &refusal);
    if (!file.stream)
        return ReportFileError(MissingOrRefused(refusal, "Error loading RAW file: File not found!",
                                                "Error loading RAW file: Can't open file!"),
                               fileName, refusal);
    auto* buffer = static_cast<uint8_t*>(AllocateInCategory(size, nullptr));
    if (!buffer)
        return ReportError("Error loading RAW file: Out of memory!");
    if (std::fread(buffer, 1, size, file.stream) != size) {
        FreeAllocation(buffer);
        return ReportFileError("Error reading RAW file: Bad data!", fileName,
                               "shorter than its " + std::to_string(newWidth) + " x " + std::to_string(newHeight) +
                                   " grid");
    }
    file.Close();

    Clear();
    CopyName(path, fileName);
    data = buffer;
    width = newWidth;
    height = newHeight;
    format = newFormat;
    return true;
}

void RawData::Set(uint32_t newWidth, uint32_t newHeight, uint32_t newFormat, const char* name, uint8_t* newData,
                  bool copy)
{
    uint8_t* kept = newData;
    if (copy && newData) {
        uint64_t size = GridBytes(newWidth, newHeight, newFormat);
        kept = size != 0 && size <= RAW_MAX_BYTES ? static_cast<uint8_t*>(AllocateInCategory(size, nullptr)) : nullptr;
        if (!kept) {
            // Nothing to keep: an empty record with the name.
            Clear();
            CopyName(path, name);
            return;
        }
        std::memcpy(kept, newData, size);
    }
    if (kept != data)
        Clear();
    CopyName(path, name);
    data = kept;
    width = newWidth;
    height = newHeight;
    format = newFormat;
}

void RawData::Clear()
{
    FreeAllocation(data);
    data = nullptr;
    width = 0;
    height = 0;
    format = 0;
}
