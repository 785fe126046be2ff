#include "audio/OggVorbisReader.h"

#include "backend/files/Files.h"
#include "engine/platform/Log.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

namespace {

size_t ReadMemory(void* out, size_t size, size_t count, void* source)
{
    auto* memory = static_cast<OggVorbisReader::MemoryFile*>(source);
    if (size == 0)
        return 0;
    const uint64_t left = memory->position < memory->size ? memory->size - memory->position : 0;
    const size_t items = size_t(std::min<uint64_t>(count, left / size));
    if (items > 0)
        std::memcpy(out, memory->data + memory->position, items * size);
    memory->position += items * size;
    return items;
}

// Any position from 0 on is taken, also past the end, where reads give nothing,
// as tmpfs does: the hardest file system for the decoder's seeks.
int SeekMemory(void* source, ogg_int64_t offset, int whence)
{
    auto* memory = static_cast<OggVorbisReader::MemoryFile*>(source);
    int64_t base = 0;
    if (whence == SEEK_CUR)
        base = int64_t(memory->position);
    else if (whence == SEEK_END)
        base = int64_t(memory->size);
    else if (whence != SEEK_SET)
        return -1;
    int64_t target = 0;
    if (__builtin_add_overflow(base, int64_t(offset), &target) || target < 0)
        return -1;
    memory->position = uint64_t(target);
    return 0;
}

long TellMemory(void* source)
{
    return long(static_cast<OggVorbisReader::MemoryFile*>(source)->position);
}

const ov_callbacks MEMORY_CALLBACKS = {ReadMemory, SeekMemory, nullptr, TellMemory};

} // namespace

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
    std::string refusal;
    file = fileName ? backend::OpenFileForReading(fileName, backend::MAX_ASSET_FILE_BYTES, &refusal) : nullptr;
    if (!file)
        return ReportFileError("Error opening an ogg vorbis file!", fileName, refusal);
    if (const int opened = ov_open(file, &vorbisFile, nullptr, 0); opened < 0) {
        // vorbisfile takes the file only when the open succeeds.
        std::fclose(file);
        file = nullptr;
        return ReportFileError("Error opening an ogg vorbis file: ov_open failed!", fileName,
                               "no Ogg Vorbis stream in it (vorbisfile error " + std::to_string(opened) + ")");
    }
    name = fileName;
    openedBytes = backend::CurrentFileSize(file);
    return Start();
}

bool OggVorbisReader::OpenMemory(const uint8_t* data, size_t size)
{
    Close();
    LogMessage("\nOpening an ogg vorbis file...");
    memory = MemoryFile{data, data ? size : 0, 0};
    if (ov_open_callbacks(&memory, &vorbisFile, nullptr, 0, MEMORY_CALLBACKS) < 0)
        return ReportError("Error opening an ogg vorbis file: ov_open failed!");
    return Start();
}

// After a successful open: back to the start of the first stream, then its
// format. The rewind is a raw seek, never a PCM one: ov_pcm_seek bisects by the
// file's granule positions, and a damaged file sends it to offsets near 2^63
// (where tmpfs accepts the seek and reads nothing, for ever) or makes libogg
// move memory with a negative size. The seek also makes a chained file report
// its first stream, not its last. A file that fails either step is closed.
bool OggVorbisReader::Start()
{
    isOpen = true;
    if (ov_raw_seek(&vorbisFile, 0) != 0) {
        ReportRefusedData("Error opening an ogg vorbis file: seek failed!", name.c_str(),
                          "going back to its start failed");
        Close();
        return false;
    }
    if (!ReadInfo()) {
        Close();
        return false;
    }
    return true;
}

bool OggVorbisReader::ReadInfo()
{
    LogMessage("\nRetrieving ogg vorbis file info...");
    if (!isOpen)
        return ReportError("Error retrieving ogg vorbis file info: file not open!");
    vorbis_info* info = ov_info(&vorbisFile, -1);
    if (!info || info->channels < 1 || info->channels > 255 || info->rate <= 0 || info->rate > INT_MAX)
        return ReportRefusedData("Error retrieving ogg vorbis file info!", name.c_str(),
                                 "no usable channel count or sample rate");
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
        return ReportRefusedData("Error retrieving ogg vorbis file info!", name.c_str(), "its length can't be told");
    uint64_t bytes = static_cast<uint64_t>(samples) * format.blockAlign;
    dataSize = static_cast<uint32_t>(std::min<uint64_t>(bytes, UINT32_MAX - UINT32_MAX % format.blockAlign));
    return true;
}

bool OggVorbisReader::Read(void* destination, uint32_t bytes, uint32_t* bytesRead)
{
    if (!isOpen || failed || !bytesRead)
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
        // vorbisfile reads the end of a file, or a read that failed, as the end of the music.
        if (const char* lost = got == 0 ? LostFile() : nullptr)
            return Fail(lost);
        if (got == 0 || bitstream != 0) {
            endOfData = true;
            if (got > 0)
                delivered += static_cast<uint32_t>(got);
        } else if (got == OV_HOLE) {
            // A damaged or missing page: the stream goes on after the gap.
            continue;
        } else if (got < 0) {
            return Fail("decoding failed (vorbisfile error " + std::to_string(got) + ")");
        } else {
            delivered += static_cast<uint32_t>(got);
        }
    }
    *bytesRead = delivered;
    return true;
}

bool OggVorbisReader::Reset()
{
    if (!isOpen || failed)
        return false;
    endOfData = false;
    // A raw seek, as in Start.
    if (ov_raw_seek(&vorbisFile, 0) != 0)
        return Fail("going back to its start failed");
    return true;
}

// Why a file opened by name can't be read to its end any more, or null: a
// read failed (a disk that went away), or it was cut short while it played.
const char* OggVorbisReader::LostFile()
{
    if (!file)
        return nullptr;
    if (std::ferror(file))
        return "reading it failed";
    if (backend::CurrentFileSize(file) < openedBytes)
        return "the file was cut short while it played";
    return nullptr;
}

// Refuses the file from now on, and says why; on stderr too for a named file.
bool OggVorbisReader::Fail(const std::string& reason)
{
    failed = true;
    const char* message = "Error reading an ogg vorbis file!";
    if (name.empty())
        return ReportError(message, false);
    return ReportFileError(message, name.c_str(), reason);
}

void OggVorbisReader::Close()
{
    if (!isOpen)
        return;
    LogMessage("\nClosing an ogg vorbis file...");
    // Also closes the file given to ov_open.
    ov_clear(&vorbisFile);
    file = nullptr;
    memory = MemoryFile();
    name.clear();
    openedBytes = 0;
    isOpen = false;
    failed = false;
    endOfData = false;
    dataSize = 0;
}

bool OggVorbisReader::IsEndOfData()
{
    return endOfData;
}

uint32_t OggVorbisReader::GetDataSize()
{
    return dataSize;
}
