#include "datagen/writers/WavWriter.h"

#include "datagen/writers/FileWriter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace datagen {

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void PutId(std::vector<uint8_t>& out, const char* id)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(id[i]));
}

} // namespace

std::vector<uint8_t> MakeWavBytes(const WavSpec& spec, const std::vector<uint8_t>& pcm)
{
    std::vector<uint8_t> out;
    PutId(out, "RIFF");
    Put32(out, 0); // patched below
    PutId(out, spec.formType);

    uint16_t blockAlign = static_cast<uint16_t>(spec.channels * spec.bitsPerSample / 8);
    std::vector<uint8_t> format;
    Put16(format, spec.formatTag);
    Put16(format, spec.channels);
    Put32(format, spec.sampleRate);
    Put32(format, spec.sampleRate * blockAlign);
    Put16(format, blockAlign);
    Put16(format, spec.bitsPerSample);
    format.resize(spec.formatChunkSize, 0);
    PutId(out, "fmt ");
    Put32(out, spec.formatChunkSize);
    out.insert(out.end(), format.begin(), format.end());
    if (spec.formatChunkSize & 1)
        out.push_back(0);

    if (spec.listChunkBeforeData) {
        PutId(out, "LIST");
        Put32(out, 16);
        PutId(out, "INFO");
        PutId(out, "ISFT");
        Put32(out, 4);
        PutId(out, "gen\0");
    }
    if (spec.oddChunkBeforeData) {
        PutId(out, "junk");
        Put32(out, 3);
        out.insert(out.end(), {1, 2, 3, 0});
    }

    PutId(out, "data");
    Put32(out, spec.declaredDataSize >= 0 ? static_cast<uint32_t>(spec.declaredDataSize)
                                          : static_cast<uint32_t>(pcm.size()));
    out.insert(out.end(), pcm.begin(), pcm.end());
    if (pcm.size() & 1)
        out.push_back(0);

    uint32_t riffSize = spec.declaredRiffSize >= 0 ? static_cast<uint32_t>(spec.declaredRiffSize)
                                                   : static_cast<uint32_t>(out.size() - 8);
    std::memcpy(out.data() + 4, &riffSize, 4); // little-endian host
    if (spec.truncateTo < out.size())
        out.resize(spec.truncateTo);
    return out;
}

bool WriteWav(const std::string& path, const WavSpec& spec, const std::vector<uint8_t>& pcm)
{
    return WriteFileBytes(path, MakeWavBytes(spec, pcm));
}

std::vector<uint8_t> ToPcm(const std::vector<float>& samples, uint16_t bitsPerSample)
{
    std::vector<uint8_t> out;
    out.reserve(samples.size() * (bitsPerSample / 8));
    for (float s : samples) {
        float c = std::clamp(s, -1.0f, 1.0f);
        if (bitsPerSample == 8) {
            out.push_back(static_cast<uint8_t>(std::lround(c * 127.0f) + 128));
        } else {
            auto v = static_cast<int16_t>(std::lround(c * 32767.0f));
            Put16(out, static_cast<uint16_t>(v));
        }
    }
    return out;
}

} // namespace datagen
