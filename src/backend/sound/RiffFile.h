#pragma once
// Chunked reading of RIFF files, in the manner of the Windows multimedia file
// functions: descend into a chunk, read inside it, ascend out of it. A chunk
// that claims more bytes than its parent or the file holds is refused.

#include <cstdint>
#include <cstdio>
#include <string>

namespace backend {

constexpr uint32_t MakeFourCC(char a, char b, char c, char d)
{
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) | static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24;
}

constexpr uint32_t FOURCC_RIFF = MakeFourCC('R', 'I', 'F', 'F');
constexpr uint32_t FOURCC_LIST = MakeFourCC('L', 'I', 'S', 'T');

// Descend flags: search for a chunk with the given id, or a RIFF chunk with the given form type.
constexpr uint32_t RIFF_FINDCHUNK = 0x0010;
constexpr uint32_t RIFF_FINDRIFF = 0x0020;

// A chunk as Descend found it. For RIFF and LIST chunks `dataOffset` is where
// the form type sits.
struct RiffChunk {
    uint32_t id = 0;
    uint32_t size = 0;
    uint32_t formType = 0;
    uint32_t dataOffset = 0;
    uint32_t flags = 0;
};

class RiffFile {
public:
    RiffFile() = default;
    ~RiffFile();
    RiffFile(const RiffFile&) = delete;
    RiffFile& operator=(const RiffFile&) = delete;

    // Opens a game path for reading. When a file that is there can't be opened
    // (not a regular file, say), `refusal` (if given) says why.
    bool Open(const char* gamePath, std::string* refusal = nullptr);
    void Close();
    bool IsOpen() const { return file != nullptr; }

    // Moves to an absolute offset within the file.
    bool Seek(uint32_t offset);
    uint32_t Tell() const { return position; }
    uint32_t FileSize() const { return fileSize; }

    // Enters the chunk at the current position, or the first matching one
    // (see the flags) before the end of `parent` (or of the file). Afterwards the
    // position is at the chunk's data, past the form type of RIFF and LIST chunks.
    bool Descend(RiffChunk& chunk, const RiffChunk* parent, uint32_t flags);
    // Moves past the end of a chunk and its pad byte.
    bool Ascend(const RiffChunk& chunk);
    // Reads up to `bytes`; returns how many were read.
    uint32_t Read(void* out, uint32_t bytes);

private:
    bool ReadWord(uint32_t& value);

    FILE* file = nullptr;
    uint32_t fileSize = 0;
    uint32_t position = 0;
};

} // namespace backend
