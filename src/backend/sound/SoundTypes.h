#pragma once
// Records and constants of the sound service. Numeric values are the Windows
// ones, so that values the game stores or passes keep their meaning.

#include <cstdint>

namespace backend {

// PCM data format, field for field the Windows WAVEFORMATEX.
struct WaveFormat {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint16_t extraSize = 0;
};

constexpr uint16_t WAVE_FORMAT_PCM = 1;

// Buffer description flags.
constexpr uint32_t DSBCAPS_PRIMARYBUFFER = 0x00000001;
constexpr uint32_t DSBCAPS_CTRL3D = 0x00000010;
constexpr uint32_t DSBCAPS_CTRLFREQUENCY = 0x00000020;
constexpr uint32_t DSBCAPS_CTRLPAN = 0x00000040;
constexpr uint32_t DSBCAPS_CTRLVOLUME = 0x00000080;
constexpr uint32_t DSBCAPS_GETCURRENTPOSITION2 = 0x00010000;
constexpr uint32_t DSBCAPS_MUTE3DATMAXDISTANCE = 0x00020000;
constexpr uint32_t DSBCAPS_LOCHARDWARE = 0x00040000;
constexpr uint32_t DSBCAPS_LOCSOFTWARE = 0x00080000;

constexpr uint32_t DSSCL_PRIORITY = 2;
constexpr uint32_t DSBPLAY_LOOPING = 1;
constexpr uint32_t DSBSTATUS_PLAYING = 1;
constexpr uint32_t DSBSTATUS_LOOPING = 4;
constexpr uint32_t DSBLOCK_ENTIREBUFFER = 2;

constexpr int32_t DSBVOLUME_MIN = -10000;
constexpr int32_t DSBVOLUME_MAX = 0;
constexpr int32_t DSBPAN_LEFT = -10000;
constexpr int32_t DSBPAN_RIGHT = 10000;
constexpr uint32_t DSBFREQUENCY_MIN = 100;
constexpr uint32_t DSBFREQUENCY_MAX = 100000;
constexpr uint32_t DSBSIZE_MIN = 4;

// 3D settings: applied at once, or kept until the listener commits them.
constexpr uint32_t DS3D_IMMEDIATE = 0;
constexpr uint32_t DS3D_DEFERRED = 1;

constexpr uint32_t DS3DMODE_NORMAL = 0;
constexpr uint32_t DS3DMODE_HEADRELATIVE = 1;
constexpr uint32_t DS3DMODE_DISABLE = 2;

constexpr float DS3D_DEFAULTMINDISTANCE = 1.0f;
constexpr float DS3D_DEFAULTMAXDISTANCE = 1000000000.0f;
constexpr uint32_t DS3D_MAXCONEANGLE = 360;

// Which 3D algorithm a software 3D buffer asks for.
enum class Sound3DAlgorithm { Default, HrtfFull };

// What a secondary buffer is made from.
struct SoundBufferDesc {
    uint32_t flags = 0;
    uint32_t bufferBytes = 0;
    const WaveFormat* format = nullptr;
    Sound3DAlgorithm algorithm3D = Sound3DAlgorithm::Default;
};

// The capabilities the game reads. There is no hardware mixing here.
struct SoundCaps {
    uint32_t flags = 0;
    uint32_t minSecondarySampleRate = 0;
    uint32_t maxSecondarySampleRate = 0;
    uint32_t maxHwMixingAllBuffers = 0;
    uint32_t maxHw3DAllBuffers = 0;
};

} // namespace backend
