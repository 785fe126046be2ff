// Feeds arbitrary bytes to the WAV and Ogg Vorbis readers: open, read
// everything in uneven pieces of whole sample frames, reset, read again. The
// WAV reader gets them as a file, the Ogg reader from memory through
// vorbisfile's callbacks, which seek as tmpfs does. After each mutation the
// Ogg pages get their right checksums back, or libogg would drop nearly every
// changed page before the decoder saw it.

#include "audio/OggVorbisReader.h"
#include "audio/WaveFileReader.h"
#include "engine/platform/Log.h"

#include <ogg/ogg.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// One in-memory file, rewritten for every input.
const std::string& InputPath()
{
    static const std::string path = [] {
        int fd = memfd_create("fuzz-input", 0);
        return "/proc/self/fd/" + std::to_string(fd);
    }();
    return path;
}

// vorbisfile refuses a read smaller than one sample frame of every channel, so
// requests are whole frames, a growing uneven number of them, at most 64 KiB
// unless one frame is larger.
void ReadAll(SoundReader& reader)
{
    const uint32_t frame = reader.GetFormat()->blockAlign ? reader.GetFormat()->blockAlign : 1;
    const uint32_t most = frame < 65536 ? 65536 / frame : 1;
    std::vector<uint8_t> buffer(size_t(frame) * most);
    for (int pass = 0; pass < 2; ++pass) {
        uint64_t total = 0;
        uint32_t got = 0;
        uint32_t frames = 1;
        while (!reader.IsEndOfData() && total <= reader.GetDataSize()) {
            if (!reader.Read(buffer.data(), frames * frame, &got))
                break;
            total += got;
            if (got == 0 && !reader.IsEndOfData())
                break;
            frames = frames * 3 % most + 1;
        }
        if (!reader.Reset())
            break;
    }
    reader.Close();
}

} // namespace

// libvorbisfile 1.3.7 leaks a few bytes on some refused headers; that is its own.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libvorbisfile\nleak:libvorbis.so\n";
}

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int)
{
    size = LLVMFuzzerMutate(data, size, maxSize);
    size_t at = 0;
    while (at + 27 <= size) {
        if (std::memcmp(data + at, "OggS", 4) != 0) {
            ++at;
            continue;
        }
        const size_t segments = data[at + 26], headerLength = 27 + segments;
        size_t bodyLength = 0;
        for (size_t i = 0; i < segments && at + 27 + i < size; ++i)
            bodyLength += data[at + 27 + i];
        if (at + headerLength + bodyLength > size)
            break;
        ogg_page page = {data + at, long(headerLength), data + at + headerLength, long(bodyLength)};
        ogg_page_checksum_set(&page);
        at += headerLength + bodyLength;
    }
    return size;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& path = InputPath();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    WaveFileReader wave;
    if (wave.Open(path.c_str()))
        ReadAll(wave);
    wave.Close();
    OggVorbisReader ogg;
    if (ogg.OpenMemory(data, size))
        ReadAll(ogg);
    ogg.Close();
    g_LastError.clear();
    return 0;
}
