#include "AudioFixture.h"

#include "audio/OggVorbisReader.h"
#include "audio/WaveFileReader.h"
#include "datagen/writers/FileWriter.h"

#include <dirent.h>

using namespace audiotest;

namespace {

class SoundReaderTest : public AudioFixture {
protected:
    SoundReaderTest() { initialize = false; }

    std::string WriteWav(const std::string& file, const datagen::WavSpec& spec, size_t dataBytes = 1000)
    {
        pcm.resize(dataBytes);
        for (size_t i = 0; i < dataBytes; ++i)
            pcm[i] = static_cast<uint8_t>(i * 7 + 3);
        EXPECT_TRUE(datagen::WriteWav(Path(file), spec, pcm));
        return Path(file);
    }

    std::vector<uint8_t> pcm;
};

int OpenFileCount()
{
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir))
            ++count;
        closedir(dir);
    }
    return count;
}

} // namespace

TEST_F(SoundReaderTest, WaveDataComesInFileOrderPastOtherChunks)
{
    datagen::WavSpec spec;
    spec.channels = 2;
    spec.bitsPerSample = 8;
    spec.listChunkBeforeData = true;
    spec.oddChunkBeforeData = true;
    spec.formatChunkSize = 18;
    std::string file = WriteWav("a.wav", spec);

    WaveFileReader reader;
    ASSERT_TRUE(reader.Open(file.c_str()));
    EXPECT_EQ(reader.GetDataSize(), 1000u);
    EXPECT_EQ(reader.GetFormat()->channels, 2);
    EXPECT_EQ(reader.GetFormat()->bitsPerSample, 8);
    EXPECT_EQ(reader.GetFormat()->samplesPerSec, 22050u);

    std::vector<uint8_t> got(1000);
    uint32_t n = 0;
    const uint32_t expected[] = {400, 400, 200};
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(reader.IsEndOfData());
        ASSERT_TRUE(reader.Read(got.data() + 400 * i, 400, &n));
        EXPECT_EQ(n, expected[i]);
    }
    EXPECT_TRUE(reader.IsEndOfData());
    EXPECT_EQ(got, pcm);
    ASSERT_TRUE(reader.Read(got.data(), 400, &n));
    EXPECT_EQ(n, 0u);

    ASSERT_TRUE(reader.Reset());
    EXPECT_FALSE(reader.IsEndOfData());
    uint8_t first[3];
    ASSERT_TRUE(reader.Read(first, 3, &n));
    EXPECT_EQ(first[0], pcm[0]);
    EXPECT_EQ(first[2], pcm[2]);
}

TEST_F(SoundReaderTest, BrokenWaveFilesAreRefusedWithClearErrors)
{
    struct Case {
        const char* what;
        std::function<void(datagen::WavSpec&)> change;
        const char* error;
    };
    const Case cases[] = {
        {"not WAVE", [](datagen::WavSpec& s) { s.formType = "AVI "; },
         "Error reading wave file MMIO: file type mismatch!"},
        {"ADPCM", [](datagen::WavSpec& s) { s.formatTag = 2; },
         "Error reading wave file MMIO: wave format not supported!"},
        {"short format", [](datagen::WavSpec& s) { s.formatChunkSize = 14; },
         "Error reading wave file MMIO: wave format not supported!"},
        {"24-bit", [](datagen::WavSpec& s) { s.bitsPerSample = 24; },
         "Error reading wave file MMIO: wave format not supported!"},
        {"six channels", [](datagen::WavSpec& s) { s.channels = 6; },
         "Error reading wave file MMIO: wave format not supported!"},
        {"data past the end", [](datagen::WavSpec& s) { s.declaredDataSize = 5000; },
         "Error descending to the wave file's data chunk!"},
        {"cut in the data", [](datagen::WavSpec& s) { s.truncateTo = 500; },
         "Error reading wave file MMIO: mmioDescend failed!"},
        {"RIFF past the end", [](datagen::WavSpec& s) { s.declaredRiffSize = 100000; },
         "Error reading wave file MMIO: mmioDescend failed!"},
        {"cut in the header", [](datagen::WavSpec& s) { s.truncateTo = 30; },
         "Error reading wave file MMIO: mmioDescend failed!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        datagen::WavSpec spec;
        c.change(spec);
        std::string file = WriteWav("broken.wav", spec);
        g_LastError.clear();
        WaveFileReader reader;
        EXPECT_FALSE(reader.Open(file.c_str()));
        EXPECT_EQ(g_LastError, c.error);
        EXPECT_FALSE(reader.mmio.IsOpen());
        uint32_t n = 7;
        uint8_t byte;
        EXPECT_FALSE(reader.Read(&byte, 1, &n));
    }
    // An empty file and a missing one.
    ASSERT_TRUE(datagen::WriteFileBytes(Path("empty.wav"), {}));
    WaveFileReader reader;
    g_LastError.clear();
    EXPECT_FALSE(reader.Open(Path("empty.wav").c_str()));
    EXPECT_EQ(g_LastError, "Error reading wave file MMIO: mmioDescend failed!");
    g_LastError.clear();
    EXPECT_FALSE(reader.Open(Path("missing.wav").c_str()));
    EXPECT_EQ(g_LastError, "Error reading wave file MMIO: file not found!");
    // A folder in the sound's place is there, but no file.
    std::filesystem::create_directory(Path("folder.wav"));
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(reader.Open(Path("folder.wav").c_str()));
    EXPECT_EQ(g_LastError, "Error reading wave file MMIO: can't open file!");
    EXPECT_NE(::testing::internal::GetCapturedStderr().find(Path("folder.wav") + " is not a regular file"),
              std::string::npos);
}

TEST_F(SoundReaderTest, OggGivesItsFormatSizeAndTheSameSamplesAfterReset)
{
    const long rate = 44100;
    std::vector<float> samples = datagen::SynthSweep(200.0f, 2000.0f, 1.2f, rate, 0.6f);
    std::string file = Ogg("m.ogg", samples, 1, rate);

    OggVorbisReader reader;
    ASSERT_TRUE(reader.Open(file.c_str()));
    const backend::WaveFormat* f = reader.GetFormat();
    EXPECT_EQ(f->formatTag, 1);
    EXPECT_EQ(f->channels, 1);
    EXPECT_EQ(f->samplesPerSec, 44100u);
    EXPECT_EQ(f->blockAlign, 2);
    EXPECT_EQ(f->avgBytesPerSec, 88200u);
    EXPECT_EQ(f->bitsPerSample, 16);
    EXPECT_EQ(reader.GetDataSize(), 2 * samples.size());

    std::vector<uint8_t> all(reader.GetDataSize() + 100);
    uint32_t total = 0, n = 0;
    while (!reader.IsEndOfData()) {
        ASSERT_TRUE(reader.Read(all.data() + total, 3000, &n));
        total += n;
        ASSERT_LE(total, reader.GetDataSize());
    }
    EXPECT_EQ(total, reader.GetDataSize());

    ASSERT_TRUE(reader.Reset());
    std::vector<uint8_t> again(4000);
    ASSERT_TRUE(reader.Read(again.data(), 4000, &n));
    EXPECT_EQ(n, 4000u);
    EXPECT_TRUE(std::equal(again.begin(), again.end(), all.begin()));
    reader.Close();
    EXPECT_FALSE(reader.Read(again.data(), 10, &n));
}

TEST_F(SoundReaderTest, MissingOrCutOggFailsWithoutLeakingTheFile)
{
    OggVorbisReader reader;
    EXPECT_FALSE(reader.Open(Path("missing.ogg").c_str()));
    EXPECT_EQ(g_LastError, "Error opening an ogg vorbis file!");

    std::vector<uint8_t> good;
    ASSERT_TRUE(datagen::EncodeOggVorbis(datagen::SynthTone(300, 0.5f, 22050, 0.5f), 1, 22050, good));
    good.resize(40); // cut inside the first page
    ASSERT_TRUE(datagen::WriteFileBytes(Path("cut.ogg"), good));

    const int before = OpenFileCount();
    EXPECT_FALSE(reader.Open(Path("cut.ogg").c_str()));
    EXPECT_EQ(g_LastError, "Error opening an ogg vorbis file: ov_open failed!");
    EXPECT_EQ(OpenFileCount(), before);
}

TEST_F(SoundReaderTest, ChainedOggEndsWithItsFirstStream)
{
    std::vector<uint8_t> first, second;
    ASSERT_TRUE(datagen::EncodeOggVorbis(datagen::SynthTone(300, 0.5f, 22050, 0.5f), 1, 22050, first, 0.4f, 1));
    ASSERT_TRUE(datagen::EncodeOggVorbis(datagen::SynthTone(600, 0.7f, 22050, 0.5f), 1, 22050, second, 0.4f, 2));
    first.insert(first.end(), second.begin(), second.end());
    ASSERT_TRUE(datagen::WriteFileBytes(Path("chain.ogg"), first));

    OggVorbisReader reader;
    ASSERT_TRUE(reader.Open(Path("chain.ogg").c_str()));
    EXPECT_EQ(reader.GetDataSize(), 2u * 11025u);
    std::vector<uint8_t> all(100000);
    uint32_t total = 0, n = 0;
    while (!reader.IsEndOfData()) {
        ASSERT_TRUE(reader.Read(all.data() + total, 1000, &n));
        total += n;
        ASSERT_LT(total, all.size());
    }
    // The read that crosses into the second stream still counts its bytes.
    EXPECT_GE(total, reader.GetDataSize());
    EXPECT_LT(total, reader.GetDataSize() + 1000 + 8192);
    reader.Close();
}
