// Damaged Ogg Vorbis music must never crash or hang the game: a file that sent
// ov_pcm_seek to offsets near 2^63 (for ever, on tmpfs) and a file that made
// libvorbis divide by zero (found by fuzzing, kept as bytes). Each is refused,
// fails a read or plays to its end, through a file and from memory.

#include "DamagedOggInputs.h"

#include "audio/OggVorbisReader.h"
#include "datagen/writers/FileWriter.h"
#include "datagen/writers/OggWriter.h"
#include "datagen/writers/SoundSynth.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr long TMPFS_MAGIC_NUMBER = 0x01021994;

// Reads to the end in whole frames, rewinds and reads again, as a looping
// music stream does, also after a failed read (the sound then stops, which
// rewinds and fills its buffer again). True when both passes reached the end.
bool PlayTwice(OggVorbisReader& reader)
{
    std::vector<uint8_t> buffer(size_t(reader.GetFormat()->blockAlign) * 1024);
    bool ended = true;
    for (int pass = 0; pass < 2; ++pass) {
        uint32_t got = 0;
        while (!reader.IsEndOfData() && reader.Read(buffer.data(), uint32_t(buffer.size()), &got)) {
        }
        ended = ended && reader.IsEndOfData();
        reader.Reset();
    }
    reader.Close();
    return ended;
}

// Opens `path`, and the same bytes from memory, in a child process and plays
// each twice. The child must end normally (no signal, no sanitizer report)
// within one second; with `mustEnd`, each is refused or played to its end.
void ExpectHandledWithinASecond(const std::string& path, const std::vector<uint8_t>& bytes, bool mustEnd)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        OggVorbisReader fromFile, fromMemory;
        const bool fileEnded = !fromFile.Open(path.c_str()) || PlayTwice(fromFile);
        const bool memoryEnded = !fromMemory.OpenMemory(bytes.data(), bytes.size()) || PlayTwice(fromMemory);
        _exit(!mustEnd || (fileEnded && memoryEnded) ? 0 : 3);
    }
    int status = 0;
    pid_t done = 0;
    while ((done = waitpid(child, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(1))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (done == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        FAIL() << path << " still played after one second";
    }
    ASSERT_TRUE(WIFEXITED(status)) << path << ": ended by signal " << WTERMSIG(status);
    ASSERT_NE(WEXITSTATUS(status), 3) << path << " opened but did not play to its end";
    EXPECT_EQ(WEXITSTATUS(status), 0) << path << ": a sanitizer report above?";
}

} // namespace

TEST(DamagedOgg, SeekTrapOnTmpfsIsPlayedToItsEndWithinASecond)
{
    // The trap needs a file system that takes any seek; /dev/shm is tmpfs on Linux.
    struct statfs info {};
    std::filesystem::path folder = "/dev/shm";
    if (statfs(folder.c_str(), &info) != 0 || info.f_type != TMPFS_MAGIC_NUMBER)
        GTEST_SKIP() << "no tmpfs at /dev/shm";
    folder /= "vantrel-ogg-trap-" + std::to_string(getpid());
    std::filesystem::create_directories(folder);
    std::vector<uint8_t> good, trap;
    ASSERT_TRUE(datagen::EncodeOggVorbis(datagen::SynthTone(440, 1.0f, 22050, 0.5f), 1, 22050, good));
    ASSERT_TRUE(datagen::MakeSeekTrapOgg(good, trap));
    const std::string path = (folder / "Menu.ogg").string();
    ASSERT_TRUE(datagen::WriteFileBytes(path, trap));
    ExpectHandledWithinASecond(path, trap, true);
    std::filesystem::remove_all(folder);
}

// One damaged page in the middle of a piece of music is a gap: the reader
// goes on after it to the end, and rewinds and plays it again.
TEST(DamagedOgg, DamagedPageIsAGapThatReadingGoesOnAfter)
{
    std::vector<uint8_t> good, damaged;
    ASSERT_TRUE(datagen::EncodeOggVorbis(datagen::SynthNoise(1.5f, 22050, 0.5f, 7), 1, 22050, good));
    ASSERT_TRUE(datagen::DamageMiddleAudioPage(good, damaged));
    OggVorbisReader reader;
    ASSERT_TRUE(reader.OpenMemory(damaged.data(), damaged.size()));
    const uint32_t whole = reader.GetDataSize();
    std::vector<uint8_t> buffer(4096);
    for (int pass = 0; pass < 2; ++pass) {
        uint32_t delivered = 0;
        for (int reads = 0; !reader.IsEndOfData() && reads < 1000; ++reads) {
            uint32_t got = 0;
            ASSERT_TRUE(reader.Read(buffer.data(), uint32_t(buffer.size()), &got))
                << "pass " << pass << ", after " << delivered << " of " << whole << " bytes";
            delivered += got;
        }
        EXPECT_TRUE(reader.IsEndOfData());
        // The damaged page's samples are missing, and only they.
        EXPECT_LT(delivered, whole);
        EXPECT_GT(delivered, whole / 2);
        ASSERT_TRUE(reader.Reset());
    }
}

TEST(DamagedOgg, FilesThatCrashedTheReaderUnderFuzzingAreHandled)
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("vantrel-ogg-crash-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    for (const damagedogg::Input& input : damagedogg::CRASH_INPUTS) {
        const std::vector<uint8_t> bytes(input.bytes, input.bytes + input.size);
        const std::string path = (folder / input.name).string();
        ASSERT_TRUE(datagen::WriteFileBytes(path, bytes));
        ExpectHandledWithinASecond(path, bytes, false);
    }
    std::filesystem::remove_all(folder);
}
