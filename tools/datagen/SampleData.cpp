#include "datagen/SampleData.h"

#include "datagen/SampleDataList.h"

#include <algorithm>
#include <atomic>
#include <set>
#include <thread>

namespace datagen {

void WriteTexture(DataFolder& folder, const std::string& gamePath, const RgbaImage& image, DdsFormat format,
                  bool withMips)
{
    folder.Write(gamePath, EncodeDds(image, format, withMips));
}

std::vector<std::string> GenerateSampleData(const std::string& root, int threads, bool onlyMissing)
{
    DataFolder folder(root, onlyMissing);
    // The slowest groups first so that the workers finish together.
    void (*const groups[])(DataFolder&) = {WriteUSALandscape,      WriteUSASky,           WriteUSAScenery,
                                           WriteUSAModels,         WriteFinlandLandscape, WriteUKLandscape,
                                           WriteMexicoLandscape,   WriteMexicoSky,        WriteMexicoScenery,
                                           WriteEgyptLandscape,    WriteEgyptSky,         WriteEgyptScenery,
                                           WriteHawaiiLandscape,   WriteHawaiiSky,        WriteHawaiiScenery,
                                           WriteCambodiaLandscape, WriteGermanyLandscape, WriteTanzaniaLandscape,
                                           WriteFinland2Landscape, WriteFinland2Sky,      WriteFinland2Scenery,
                                           WriteFinland2Models,    WriteTanzaniaSky,      WriteTanzaniaScenery,
                                           WriteCambodiaSky,       WriteCambodiaScenery,  WriteCambodiaModels,
                                           WriteGermanySky,        WriteGermanyScenery,   WriteGermanyModels,
                                           WriteMusicData,         WriteFinlandSky,       WriteUKSky,
                                           WriteFrontEndData,      WriteFinlandModels,    WriteTrackPictures,
                                           WriteFinlandScenery,    WriteUKScenery,        WriteRaceData,
                                           WriteSoundData,         WriteModelData};
    constexpr size_t GROUP_COUNT = sizeof groups / sizeof groups[0];
    std::atomic<size_t> next{0};
    auto worker = [&] {
        for (size_t i = next++; i < GROUP_COUNT; i = next++)
            groups[i](folder);
    };
    std::vector<std::thread> pool;
    for (int i = 1; i < std::max(1, threads); ++i)
        pool.emplace_back(worker);
    worker();
    for (std::thread& t : pool)
        t.join();

    std::vector<std::string> problems = folder.Failures();
    const std::vector<std::string> written = folder.Written();
    const std::set<std::string> writtenSet(written.begin(), written.end());
    const std::set<std::string> listed(SampleDataPaths().begin(), SampleDataPaths().end());
    if (writtenSet.size() != written.size())
        problems.push_back("a file was written twice");
    for (const std::string& path : listed)
        if (!writtenSet.count(path))
            problems.push_back("not written: " + path);
    for (const std::string& path : writtenSet)
        if (!listed.count(path))
            problems.push_back("written but not listed: " + path);
    return problems;
}

std::vector<std::string> MissingSampleData(const std::string& root)
{
    const DataFolder folder(root);
    std::vector<std::string> missing;
    for (const std::string& path : SampleDataPaths())
        if (!folder.Has(path))
            missing.push_back(path);
    return missing;
}

} // namespace datagen
