#include "DatagenTestKit.h"

#include "backend/files/Files.h"
#include "backend/gpu/DdsReader.h"
#include "datagen/SampleData.h"
#include "datagen/SampleDataList.h"
#include "datagen/writers/FileWriter.h"
#include "datagen/writers/GameConfigWriter.h"
#include "datagen/writers/RecordsWriter.h"
#include "datagen/writers/SoundConfigWriter.h"
#include "race/RecordsCipher.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string_view>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace datagen;
using datagen_test::U32At;

namespace {

// True when every component of the path exists with exactly this spelling.
bool ExistsWithExactSpelling(const std::string& gamePath)
{
    fs::path current = backend::BaseDirectory();
    size_t start = 0;
    while (start <= gamePath.size()) {
        const size_t end = std::min(gamePath.find('\\', start), gamePath.size());
        const std::string part = gamePath.substr(start, end - start);
        bool found = false;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(current, ec))
            if (entry.path().filename().string() == part) {
                found = true;
                break;
            }
        if (!found)
            return false;
        current /= part;
        start = end + 1;
    }
    return fs::is_regular_file(current);
}

struct TempFolder {
    fs::path path;
    explicit TempFolder(const char* name)
    {
        path = fs::temp_directory_path() / (std::string("vantrel-datagen-") + name + "-" + std::to_string(getpid()));
        fs::remove_all(path);
    }
    ~TempFolder() { fs::remove_all(path); }
};

bool IsPowerOfTwo(uint32_t v)
{
    return v && !(v & (v - 1));
}

} // namespace

TEST(SampleDataList, EveryListedFileExistsWithItsExactSpelling)
{
    const std::vector<std::string>& paths = SampleDataPaths();
    ASSERT_FALSE(paths.empty());
    EXPECT_EQ(std::set<std::string>(paths.begin(), paths.end()).size(), paths.size()) << "a path is listed twice";
    for (const std::string& path : paths) {
        EXPECT_TRUE(ExistsWithExactSpelling(path)) << path;
        std::vector<uint8_t> bytes;
        EXPECT_TRUE(backend::ReadWholeFile(path, bytes)) << path;
    }
}

TEST(SampleDataList, NamesTheFilesTheGameOpens)
{
    const std::vector<std::string>& paths = SampleDataPaths();
    const std::set<std::string> listed(paths.begin(), paths.end());
    for (const char* path :
         {"Game.cfg", "Data\\Sound.cfg", "Data\\Font.dat", "Graphics\\Textures\\Title.dds",
          "Graphics\\Textures\\CountDown\\go.dds", "Graphics\\Models\\Player.qvx", "Graphics\\Models\\FinishPole.x",
          "Audio\\Music\\Menu.ogg", "Audio\\Music\\Finland2.ogg", "Data\\Tracks\\UK\\Records.bt",
          "Graphics\\Textures\\TrackImages\\Hawaii.dds", "Audio\\Sounds\\EngineIdle.wav"})
        EXPECT_TRUE(listed.count(path)) << path;
}

// The second run into the same folder, as the build makes after an update:
// every file is written anew, but every settings file and best-time table the
// player changed stays as it is, and one the player lost is found missing and
// comes back.
TEST(SampleDataGenerator, TwoRunsWriteTheSameBytesOnlyTheListedFilesAndKeepThePlayers)
{
    TempFolder set("set");
    const DataFolder names(set.path.string());
    const auto hashOf = [](const std::vector<uint8_t>& bytes) {
        return std::hash<std::string_view>()(
            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    };
    const std::vector<std::string> problemsA = GenerateSampleData(set.path.string(), 2);
    ASSERT_TRUE(problemsA.empty()) << problemsA.front();
    std::map<std::string, size_t> firstRun;
    uintmax_t total = 0;
    for (const auto& entry : fs::recursive_directory_iterator(set.path))
        if (entry.is_regular_file()) {
            std::vector<uint8_t> bytes;
            ASSERT_TRUE(backend::ReadWholeFile(entry.path().string(), bytes));
            firstRun[fs::relative(entry.path(), set.path).string()] = hashOf(bytes);
            total += bytes.size();
        }
    EXPECT_EQ(firstRun.size(), SampleDataPaths().size());
    EXPECT_LT(total, 200u * 1024u * 1024u);

    // What the game writes over each of the player's files (one cut short, one empty), one of them lost;
    // two of the rest scribbled over.
    std::map<std::string, std::vector<uint8_t>> players;
    GameConfigValues choices;
    choices.windowed = 0;
    players["Game.cfg"] = EncodeGameConfig(choices);
    players["Data/Sound.cfg"] = EncodeSoundConfig(0.25f, 0.5f, 5);
    for (uint32_t i = 0; i < TRACK_COUNT; ++i)
        players[std::string("Data/Tracks/") + TRACK_DIRECTORIES[i] + "/Records.bt"] =
            EncodeRecords({{"Zed", 61234 + i}});
    players["Data/Tracks/UK/Records.bt"] = {};
    for (const auto& [relative, bytes] : players)
        ASSERT_TRUE(WriteFileBytes((set.path / relative).string(), bytes));
    ASSERT_TRUE(fs::remove(set.path / "Data/Tracks/Mexico/Records.bt"));
    players.erase("Data/Tracks/Mexico/Records.bt");
    ASSERT_TRUE(WriteFileBytes(names.PathOf("Data\\Tracks\\UK\\TrackData.tda"), {'X'}));
    ASSERT_TRUE(WriteFileBytes(names.PathOf("Graphics\\Textures\\SpeedMeter.dds"), {'X'}));
    EXPECT_EQ(MissingSampleData(set.path.string()), std::vector<std::string>{"Data\\Tracks\\Mexico\\Records.bt"});

    const std::vector<std::string> problemsB = GenerateSampleData(set.path.string(), 1);
    EXPECT_TRUE(problemsB.empty()) << problemsB.front();
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(set.path)) {
        if (!entry.is_regular_file())
            continue;
        ++files;
        const std::string relative = fs::relative(entry.path(), set.path).string();
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(backend::ReadWholeFile(entry.path().string(), bytes));
        if (players.count(relative))
            EXPECT_TRUE(bytes == players[relative]) << relative << " is not the player's";
        else
            EXPECT_EQ(hashOf(bytes), firstRun[relative]) << relative << " differs between runs";
    }
    EXPECT_EQ(files, SampleDataPaths().size());
}

TEST(SampleDataGenerator, UnwritableFolderIsReported)
{
    TempFolder blocked("blocked");
    fs::create_directories(blocked.path.parent_path());
    // A file where the folder should be.
    std::FILE* file = std::fopen(blocked.path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    const std::vector<std::string> problems = GenerateSampleData(blocked.path.string(), 1);
    EXPECT_FALSE(problems.empty());
    fs::remove(blocked.path);
}

namespace {

struct TextureExpectation {
    const char* path;
    uint32_t width, height;
};

const TextureExpectation TEXTURE_SIZES[] = {
    {"Graphics\\Textures\\Font.dds", 512, 512},
    {"Graphics\\Textures\\MenuFontUp.dds", 1024, 1024},
    {"Graphics\\Textures\\MenuFontDown.dds", 1024, 1024},
    {"Graphics\\Textures\\LoadingBase.dds", 256, 128},
    {"Graphics\\Textures\\Title.dds", 1024, 1024},
    {"Graphics\\Textures\\Background.dds", 1024, 1024},
    {"Graphics\\Textures\\Headers.dds", 1024, 256},
    {"Graphics\\Textures\\Morvane.dds", 512, 512},
    {"Graphics\\Textures\\SpeedMeter.dds", 256, 256},
    {"Graphics\\Textures\\SpeedStick.dds", 256, 256},
    {"Graphics\\Textures\\CountDown\\go.dds", 256, 128},
    {"Graphics\\Textures\\CountDown\\three.dds", 128, 128},
    {"Graphics\\Textures\\MapSysPlayer.dds", 16, 16},
    {"Graphics\\Textures\\TrackImages\\Egypt.dds", 256, 256},
    {"Graphics\\Tracks\\UK\\Textures\\SkyboxUp.dds", 512, 512},
    {"Graphics\\Tracks\\Finland\\Textures\\Birch.dds", 128, 256},
};

// Alpha of the top mip level at (x, y), decoded by the game's reader.
uint8_t AlphaAt(const backend::ImageData& image, uint32_t x, uint32_t y)
{
    const backend::ImageSurface& s = image.Surface(0, 0);
    return s.bytes[(size_t(y) * image.width + x) * 4 + 3];
}

backend::ImageData LoadTexture(const std::string& path)
{
    std::vector<uint8_t> bytes;
    backend::ImageData image;
    std::string error;
    EXPECT_TRUE(backend::ReadWholeFile(path, bytes)) << path;
    EXPECT_TRUE(backend::ReadDds(bytes.data(), bytes.size(), image, error)) << path << ": " << error;
    return image;
}

} // namespace

TEST(SampleTextures, EveryTextureReadsBackWithPowerOfTwoSizesAndSoundHeaders)
{
    for (const std::string& path : SampleDataPaths()) {
        if (path.size() < 4 || path.substr(path.size() - 4) != ".dds")
            continue;
        const backend::ImageData image = LoadTexture(path);
        EXPECT_TRUE(IsPowerOfTwo(image.width) && IsPowerOfTwo(image.height)) << path;
        const bool environment = path.size() >= 10 && path.substr(path.size() - 10) == "EnvMap.dds";
        EXPECT_EQ(image.cube, environment) << path;
        // The header fields, checked on their own.
        std::vector<uint8_t> bytes;
        backend::ReadWholeFile(path, bytes);
        ASSERT_GE(bytes.size(), 128u) << path;
        EXPECT_EQ(std::memcmp(bytes.data(), "DDS ", 4), 0) << path;
        EXPECT_EQ(U32At(bytes, 4), 124u) << path;
        EXPECT_EQ(U32At(bytes, 8) & 0x1007u, 0x1007u) << path;
        EXPECT_EQ(U32At(bytes, 12), image.height) << path;
        EXPECT_EQ(U32At(bytes, 16), image.width) << path;
        EXPECT_EQ(U32At(bytes, 76), 32u) << path;
        EXPECT_TRUE(U32At(bytes, 108) & 0x1000u) << path;
        EXPECT_EQ(U32At(bytes, 112), environment ? 0xFE00u : 0u) << path;
        const uint32_t levels = std::max(1u, U32At(bytes, 28));
        EXPECT_EQ(image.levels, levels) << path;
    }
    for (const TextureExpectation& t : TEXTURE_SIZES) {
        const backend::ImageData image = LoadTexture(t.path);
        EXPECT_EQ(image.width, t.width) << t.path;
        EXPECT_EQ(image.height, t.height) << t.path;
    }
}

TEST(SampleTextures, AlphaCarriesWhatTheGameUsesItFor)
{
    // The sun flare's silhouette and the marker dot: opaque middle, clear corners.
    for (const char* path : {"Graphics\\Textures\\LensFlare\\Flare0.dds", "Graphics\\Textures\\MapSysPlayer.dds",
                             "Graphics\\Textures\\BackLight.dds", "Graphics\\Textures\\CountDown\\go.dds"}) {
        const backend::ImageData image = LoadTexture(path);
        ASSERT_EQ(image.format, backend::D3DFMT_A8R8G8B8) << path;
        EXPECT_EQ(AlphaAt(image, 0, 0), 0) << path;
        EXPECT_GT(AlphaAt(image, image.width / 2, image.height / 2), 200) << path;
    }
    // The moped's paint reflects the environment a little, its chrome more.
    const backend::ImageData moped = LoadTexture("Graphics\\Textures\\Moped.dds");
    ASSERT_EQ(moped.format, backend::D3DFMT_A8R8G8B8);
    EXPECT_NEAR(AlphaAt(moped, 32, 32), 64, 2);
    EXPECT_GT(AlphaAt(moped, 160, 32), AlphaAt(moped, 32, 32));
    // Font sheets: coverage in alpha, empty cells clear.
    const backend::ImageData font = LoadTexture("Graphics\\Textures\\Font.dds");
    // Pixels of a 32-pixel cell (the sheet is 16 cells wide) with alpha above `threshold`.
    const auto covered = [&](uint32_t cell, uint8_t threshold) {
        uint32_t count = 0;
        for (uint32_t y = 1 + (cell / 16) * 32; y < 1 + (cell / 16 + 1) * 32; ++y)
            for (uint32_t x = 1 + (cell % 16) * 32; x < 1 + (cell % 16 + 1) * 32; ++x)
                count += AlphaAt(font, x, y) > threshold;
        return count;
    };
    EXPECT_EQ(covered(0, 0), 0u); // cell 0 holds no glyph
    EXPECT_GT(covered('A', 128), 40u);
}

TEST(SampleFonts, WidthTablesHoldPlausibleAdvances)
{
    for (const auto& [path, cell] : {std::pair<const char*, float>{"Data\\Font.dat", 32.0f},
                                     std::pair<const char*, float>{"Data\\MenuFont.dat", 64.0f}}) {
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(backend::ReadWholeFile(path, bytes)) << path;
        ASSERT_EQ(bytes.size(), 1024u) << path;
        float advance[256];
        std::memcpy(advance, bytes.data(), 1024);
        EXPECT_GT(advance[size_t(' ')], 0.0f) << path;
        EXPECT_GT(advance[size_t('W')], advance[size_t('i')]) << path;
        for (int c = 33; c < 127; ++c) {
            EXPECT_GT(advance[c], 0.0f) << path << " " << c;
            EXPECT_LE(advance[c], cell) << path << " " << c;
        }
    }
}

TEST(SampleSettings, ConfigFilesHoldUsableDefaults)
{
    // Written anew: the game's folder holds the player's.
    TempFolder part("settings");
    DataFolder folder(part.path.string());
    WriteFrontEndData(folder);
    ASSERT_TRUE(folder.Failures().empty()) << folder.Failures().front();
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(backend::ReadWholeFile(folder.PathOf("Game.cfg"), bytes));
    ASSERT_EQ(bytes.size(), 40u);
    int32_t values[10];
    std::memcpy(values, bytes.data(), 40);
    EXPECT_EQ(values[2], 1); // windowed
    for (int32_t v : values)
        EXPECT_GE(v, 0);

    ASSERT_TRUE(backend::ReadWholeFile(folder.PathOf("Data\\Sound.cfg"), bytes));
    ASSERT_EQ(bytes.size(), 8u);
    float volumes[2];
    std::memcpy(volumes, bytes.data(), 8);
    EXPECT_FLOAT_EQ(volumes[0], 1.0f);
    EXPECT_FLOAT_EQ(volumes[1], 0.9f);
}

TEST(SampleRecords, EveryTableDeciphersToShortSortedRows)
{
    TempFolder part("records");
    DataFolder folder(part.path.string());
    WriteRaceData(folder);
    ASSERT_TRUE(folder.Failures().empty()) << folder.Failures().front();
    for (const char* track : TRACK_DIRECTORIES) {
        const std::string path = std::string("Data\\Tracks\\") + track + "\\Records.bt";
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(backend::ReadWholeFile(folder.PathOf(path), bytes)) << path;
        DecipherRecords(bytes.data(), bytes.size());
        const std::string text(bytes.begin(), bytes.end());
        ASSERT_FALSE(text.empty()) << path;
        EXPECT_EQ(text.back(), '\n') << path;
        size_t rows = 0;
        unsigned long previous = 0;
        for (size_t start = 0; start < text.size();) {
            const size_t end = text.find('\n', start);
            const std::string line = text.substr(start, end - start);
            const size_t tab = line.find('\t');
            ASSERT_NE(tab, std::string::npos) << path;
            EXPECT_GT(tab, 0u) << path;
            EXPECT_LE(tab, 19u) << path;
            const std::string digits = line.substr(tab + 1);
            ASSERT_FALSE(digits.empty()) << path;
            EXPECT_EQ(digits.find_first_not_of("0123456789"), std::string::npos) << path;
            const unsigned long time = std::stoul(digits);
            EXPECT_GE(time, previous) << path;
            previous = time;
            ++rows;
            start = end + 1;
        }
        EXPECT_GE(rows, 1u) << path;
        EXPECT_LE(rows, 15u) << path;
    }
}
