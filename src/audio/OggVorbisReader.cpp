#include "audio/OggVorbisReader.h"

#include "backend/files/Files.h"
#include "engine/platform/Log.h"

#include <algorithm>
#include <climits>
#include <cstring>

OggVorbisReader::OggVorbisReader()
{
    std::memset(&vorbisFile, 0, sizeof(vorbisFile));
}

// The owner closes the reader first; an open one is closed here all the same,
// so that the file can't leak.
OggVorbisReader::~OggVorbisReader()
{
    Close();
}

bool OggVorbisReader::Open(const char* fileName)
{
    Close();
    LogMessage("\nOpening an ogg vorbis file...");
    file = fileName ? backend::OpenFile(fileName, "rb") : nullptr;
    if (!file)
        return ReportError("Error opening an ogg vorbis file!");
    if (ov_open(file, &vorbisFile, nullptr, 0) < 0) {
        // vorbisfile takes the file only when the open succeeds.
        std::fclose(file);
        file = nullptr;
        return ReportError("Error opening an ogg vorbis file: ov_open failed!");
    }
    isOpen = true;
    if (!ReadInfo())
        return false;
    // At the start of the first stream: a chained file is left at the start of
    // the data but reports its last stream until it has seeked once.
    ov_pcm_seek(&vorbisFile, 0);
    return true;
}

bool OggVorbisReader::ReadInfo()
{
    LogMessage("\nRetrieving ogg vorbis file info...");
    if (!isOpen)
        return ReportError("Error retrieving ogg vorbis file info: file not open!");
    vorbis_info* info = ov_info(&vorbisFile, -1);
    if (!info || info->channels < 1 || info->channels > 255 || info->rate <= 0 || info->rate > INT_MAX)
        return ReportError("Error retrieving ogg vorbis file info!");
    format.formatTag = backend::WAVE_FORMAT_PCM;
    format.channels = static_cast<uint16_t>(info->channels);
    format.samplesPerSec = static_cast<uint32_t>(info->rate);
    format.bitsPerSample = 16;
    format.blockAlign = static_cast<uint16_t>(format.channels * 2);
    format.avgBytesPerSec = format.blockAlign * format.samplesPerSec;
    format.extraSize = 0;
    // Reading ends with the first logical bitstream, so the size counts only it.
    ogg_int64_t samples = ov_pcm_total(&vorbisFile, 0);
    if (samples < 0)
        return ReportError("Error retrieving ogg vorbis file info!");
    uint64_t bytes = static_cast<uint64_t>(samples) * format.blockAlign;
    dataSize = static_cast<uint32_t>(std::min<uint64_t>(bytes, UINT32_MAX - UINT32_MAX % format.blockAlign));
    return true;
}

bool OggVorbisReader::Read(void* destination, uint32_t bytes, uint32_t* bytesRead)
{
    if (!isOpen || !bytesRead)
        return false;
    *bytesRead = 0;
    if (bytes == 0)
        return true;
    if (!destination)
        return false;
    uint32_t delivered = 0;
    char* out = static_cast<char*>(destination);
    while (delivered < bytes && !endOfData) {
        int bitstream = 0;
        int ask = static_cast<int>(std::min<uint32_t>(bytes - delivered, INT_MAX));
        long got = ov_read(&vorbisFile, out + delivered, ask, 0, 2, 1, &bitstream);
        if (got == 0 || bitstream != 0) {
            endOfData = true;
            if (got > 0)
                delivered += static_cast<uint32_t>(got);
        } else if (got < 0) {
            return false;
        } else {
            delivered += static_cast<uint32_t>(got);
        }
    }
    *bytesRead = delivered;
    return true;
}

bool OggVorbisReader::Reset()
{
    if (!isOpen)
        return false;
    endOfData = false;
    return ov_pcm_seek(&vorbisFile, 0) == 0;
}

void OggVorbisReader::Close()
{
    if (!isOpen)
        return;
    LogMessage("\nClosing an ogg vorbis file...");
    // Also closes the file given to ov_open.
    ov_clear(&vorbisFile);
    file = nullptr;
    isOpen = false;
}

bool OggVorbisReader::IsEndOfData()
{
    return endOfData;
}

uint32_t OggVorbisReader::GetDataSize()
{
    return dataSize;
}
