#include "audio/WaveFileReader.h"

#include "engine/platform/Log.h"

#include <algorithm>

namespace {

uint16_t Word(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t Dword(const uint8_t* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

} // namespace

WaveFileReader::~WaveFileReader()
{
    Close();
}

bool WaveFileReader::Open(const char* fileName)
{
    Close();
    std::string refusal;
    const bool opened = mmio.Open(fileName, &refusal);
    LogMessage("\nOpening wave file MMIO...");
    // Said here: reading the header of a file that isn't there would fail without a word.
    if (!opened)
        return ReportFileError(MissingOrRefused(refusal, "Error reading wave file MMIO: file not found!",
                                                "Error reading wave file MMIO: can't open file!"),
                               fileName, refusal);
    name = fileName;
    if (!ReadHeader() || !Reset()) {
        Close();
        return false;
    }
    dataSize = dataChunk.size;
    return true;
}

bool WaveFileReader::ReadHeader()
{
    LogMessage("\nReading wave file MMIO...");
    if (!mmio.Seek(0))
        return false;
    riffChunk = backend::RiffChunk{};
    if (!mmio.Descend(riffChunk, nullptr, 0))
        return ReportRefusedData("Error reading wave file MMIO: mmioDescend failed!", name.c_str(), "no RIFF header");
    if (riffChunk.id != backend::FOURCC_RIFF || riffChunk.formType != backend::MakeFourCC('W', 'A', 'V', 'E'))
        return ReportRefusedData("Error reading wave file MMIO: file type mismatch!", name.c_str(),
                                 "not a RIFF WAVE file");
    backend::RiffChunk formatChunk;
    formatChunk.id = backend::MakeFourCC('f', 'm', 't', ' ');
    if (!mmio.Descend(formatChunk, &riffChunk, backend::RIFF_FINDCHUNK))
        return ReportRefusedData("Error reading wave file MMIO: format chunk not found!", name.c_str(),
                                 "no format chunk");
    if (formatChunk.size < 16)
        return ReportRefusedData("Error reading wave file MMIO: wave format not supported!", name.c_str(),
                                 "format chunk too short");
    uint8_t bytes[16];
    if (mmio.Read(bytes, 16) < 16)
        return ReportRefusedData("Error reading wave file MMIO: mmioRead failed!", name.c_str(),
                                 "format chunk cut short");
    backend::WaveFormat read;
    read.formatTag = Word(bytes);
    read.channels = Word(bytes + 2);
    read.samplesPerSec = Dword(bytes + 4);
    read.avgBytesPerSec = Dword(bytes + 8);
    read.blockAlign = Word(bytes + 12);
    read.bitsPerSample = Word(bytes + 14);
    read.extraSize = 0;
    // Only plain PCM of 8 or 16 bits in one or two channels, laid out consistently.
    bool supported = read.formatTag == backend::WAVE_FORMAT_PCM && (read.channels == 1 || read.channels == 2) &&
                     (read.bitsPerSample == 8 || read.bitsPerSample == 16) && read.samplesPerSec > 0 &&
                     read.blockAlign == read.channels * read.bitsPerSample / 8 &&
                     read.avgBytesPerSec == read.samplesPerSec * read.blockAlign;
    if (!supported)
        return ReportRefusedData("Error reading wave file MMIO: wave format not supported!", name.c_str(),
                                 "format tag " + std::to_string(read.formatTag) + ", " + std::to_string(read.channels) +
                                     " channel(s) of " + std::to_string(read.bitsPerSample) +
                                     " bits: only 8- or 16-bit PCM in one or two channels is played");
    format = read;
    if (!mmio.Ascend(formatChunk))
        return ReportRefusedData("Error reading wave file MMIO: mmioAscend failed!", name.c_str(),
                                 "format chunk runs past the end");
    return true;
}

bool WaveFileReader::Reset()
{
    LogMessage("\nResetting wave file MMIO...");
    endOfData = false;
    if (!mmio.IsOpen())
        return ReportError("Error resetting wave file MMIO: invalid MMIO handle!");
    if (!mmio.Seek(riffChunk.dataOffset + 4))
        return ReportRefusedData("Error seeking wave file's data section!", name.c_str(), "its data can't be reached");
    dataChunk = backend::RiffChunk{};
    dataChunk.id = backend::MakeFourCC('d', 'a', 't', 'a');
    if (!mmio.Descend(dataChunk, &riffChunk, backend::RIFF_FINDCHUNK))
        return ReportRefusedData("Error descending to the wave file's data chunk!", name.c_str(), "no data chunk");
    return true;
}

bool WaveFileReader::Read(void* destination, uint32_t bytes, uint32_t* bytesRead)
{
    if (!mmio.IsOpen())
        return ReportError("Error reading wave file: invalid MMIO handle!", false);
    if (bytesRead)
        *bytesRead = 0;
    uint32_t count = std::min(bytes, dataChunk.size);
    if (count > 0 && !destination)
        return ReportError("Error reading wave file: no data to copy!");
    dataChunk.size -= count;
    if (mmio.Read(destination, count) < count)
        return ReportRefusedData("Error reading wave file: no data to copy!", name.c_str(), "data chunk cut short");
    if (bytesRead)
        *bytesRead = count;
    if (dataChunk.size == 0)
        endOfData = true;
    return true;
}

void WaveFileReader::Close()
{
    mmio.Close();
    name.clear();
    dataSize = 0;
    endOfData = false;
}

bool WaveFileReader::IsEndOfData()
{
    return endOfData;
}

uint32_t WaveFileReader::GetDataSize()
{
    return dataSize;
}
