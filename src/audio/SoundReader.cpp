#include "audio/SoundReader.h"

const backend::WaveFormat* SoundReader::GetFormat()
{
    return &format;
}
