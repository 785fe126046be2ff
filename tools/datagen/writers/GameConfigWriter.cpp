#include "datagen/writers/GameConfigWriter.h"

#include "datagen/writers/ByteWriter.h"
#include "datagen/writers/FileWriter.h"

namespace datagen {

std::vector<uint8_t> EncodeGameConfig(const GameConfigValues& values, size_t truncateTo)
{
    ByteWriter out;
    for (int32_t v : {values.renderDeviceIndex, values.displayModeIndex, values.windowed, values.tripleBuffering,
                      values.textureFilterIndex, values.anisotropyIndex, values.disableMipmapping,
                      values.soundDeviceIndex, values.softwareSoundBuffers, values.disableMusic})
        out.I32(v);
    out.TruncateTo(truncateTo);
    return out.bytes;
}

bool WriteGameConfig(const std::string& path, const GameConfigValues& values)
{
    return WriteFileBytes(path, EncodeGameConfig(values));
}

} // namespace datagen
