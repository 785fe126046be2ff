// Feeds arbitrary bytes to the WAV and Ogg Vorbis readers as a file: open,
// read everything in uneven pieces, reset, read again.

#include "audio/OggVorbisReader.h"
#include "audio/WaveFileReader.h"
#include "engine/platform/Log.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
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

void Exercise(SoundReader& reader, const std::string& path)
{
    if (!reader.Open(path.c_str())) {
        reader.Close();
        return;
    }
    std::vector<uint8_t> buffer(4099);
    for (int pass = 0; pass < 2; ++pass) {
        uint32_t total = 0;
        uint32_t got = 0;
        uint32_t ask = 1;
        while (!reader.IsEndOfData() && total <= reader.GetDataSize()) {
            if (!reader.Read(buffer.data(), ask, &got))
                break;
            total += got;
            if (got == 0 && !reader.IsEndOfData())
                break;
            ask = ask * 3 % 4099 + 1;
        }
        if (!reader.Reset())
            break;
    }
    reader.Close();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& path = InputPath();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    WaveFileReader wave;
    Exercise(wave, path);
    OggVorbisReader ogg;
    Exercise(ogg, path);
    g_LastError.clear();
    return 0;
}
