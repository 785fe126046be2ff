#include "datagen/writers/SoundConfigWriter.h"

#include "datagen/writers/ByteWriter.h"
#include "datagen/writers/FileWriter.h"

namespace datagen {

std::vector<uint8_t> EncodeSoundConfig(float effectsVolume, float musicVolume, size_t truncateTo)
{
    ByteWriter out;
    out.F32(effectsVolume);
    out.F32(musicVolume);
    out.TruncateTo(truncateTo);
    return out.bytes;
}

bool WriteSoundConfig(const std::string& path, float effectsVolume, float musicVolume)
{
    return WriteFileBytes(path, EncodeSoundConfig(effectsVolume, musicVolume));
}

} // namespace datagen
