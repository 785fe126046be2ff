#include "backend/sound/RiffFile.h"

#include "backend/files/Files.h"

#include <algorithm>

namespace backend {

RiffFile::~RiffFile()
{
    Close();
}

bool RiffFile::Open(const char* gamePath, std::string* refusal)
{
    Close();
    if (!gamePath)
        return false;
    file = OpenFileForReading(gamePath, NO_FILE_SIZE_LIMIT, refusal);
    if (!file)
        return false;
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0)
        size = std::ftell(file);
    if (size < 0 || size > 0x7FFFFFFF || std::fseek(file, 0, SEEK_SET) != 0) {
        Close();
        return false;
    }
    fileSize = static_cast<uint32_t>(size);
    position = 0;
    return true;
}

void RiffFile::Close()
{
    if (file)
        std::fclose(file);
    file = nullptr;
    fileSize = 0;
    position = 0;
}

bool RiffFile::Seek(uint32_t offset)
{
    if (!file || offset > fileSize || std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0)
        return false;
    position = offset;
    return true;
}

uint32_t RiffFile::Read(void* out, uint32_t bytes)
{
    if (!file || !out)
        return 0;
    size_t got = std::fread(out, 1, bytes, file);
    position += static_cast<uint32_t>(got);
    return static_cast<uint32_t>(got);
}

bool RiffFile::ReadWord(uint32_t& value)
{
    uint8_t b[4];
    if (Read(b, 4) != 4)
        return false;
    value = b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
    return true;
}

bool RiffFile::Descend(RiffChunk& chunk, const RiffChunk* parent, uint32_t flags)
{
    if (!file)
        return false;
    uint64_t end = fileSize;
    if (parent)
        end = std::min<uint64_t>(end, static_cast<uint64_t>(parent->dataOffset) + parent->size);
    uint32_t wantedId = chunk.id;
    uint32_t wantedForm = chunk.formType;
    for (;;) {
        uint64_t start = position;
        if (start + 8 > end)
            return false;
        RiffChunk found;
        if (!ReadWord(found.id) || !ReadWord(found.size))
            return false;
        found.dataOffset = position;
        uint64_t dataEnd = static_cast<uint64_t>(found.dataOffset) + found.size;
        bool isList = found.id == FOURCC_RIFF || found.id == FOURCC_LIST;
        bool matches = true;
        if (flags & RIFF_FINDCHUNK)
            matches = found.id == wantedId;
        else if (flags & RIFF_FINDRIFF)
            matches = found.id == FOURCC_RIFF;
        if (matches) {
            // A chunk that runs past what holds it is broken, not just short.
            if (dataEnd > end)
                return false;
            if (isList) {
                if (found.size < 4 || !ReadWord(found.formType))
                    return false;
                if ((flags & RIFF_FINDRIFF) && found.formType != wantedForm) {
                    matches = false;
                }
            }
            if (matches) {
                chunk = found;
                return true;
            }
        }
        if (!(flags & (RIFF_FINDCHUNK | RIFF_FINDRIFF)))
            return false;
        uint64_t next = dataEnd + (found.size & 1);
        if (next >= end || !Seek(static_cast<uint32_t>(next)))
            return false;
    }
}

bool RiffFile::Ascend(const RiffChunk& chunk)
{
    uint64_t next = static_cast<uint64_t>(chunk.dataOffset) + chunk.size + (chunk.size & 1);
    if (next > fileSize)
        next = fileSize; // a missing pad byte at the very end
    return Seek(static_cast<uint32_t>(next));
}

} // namespace backend
