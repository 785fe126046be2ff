// Writes the sample data set into the folder given as the argument; with
// --only-missing, only the files missing from it, and nothing when none is.

#include "datagen/PlacementTable.h"
#include "datagen/SampleData.h"
#include "datagen/SampleDataList.h"

#include <cstdio>
#include <string>
#include <thread>

// `datagen --table <track>` prints the track's designed placement table instead.
int PrintTable(const std::string& track)
{
    datagen::PlacementTable table;
    if (track == "USA")
        table = datagen::USAPlacementTable();
    else if (track == "Germany")
        table = datagen::GermanyPlacementTable();
    else {
        std::fprintf(stderr, "datagen: no placement table for %s\n", track.c_str());
        return 2;
    }
    for (const std::string& problem : table.problems)
        std::fprintf(stderr, "datagen: %s\n", problem.c_str());
    const std::string text =
        datagen::FormatPlacementTable(table, "Designed by `datagen --table " + track + "`; kept as source.");
    std::fputs(text.c_str(), stdout);
    return table.problems.empty() ? 0 : 1;
}

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--table")
        return PrintTable(argv[2]);
    const bool onlyMissing = argc == 3 && std::string(argv[1]) == "--only-missing";
    // An option it does not know ("--help") is not a folder to fill.
    if (!onlyMissing && (argc != 2 || argv[1][0] == '-')) {
        std::fprintf(stderr, "usage: datagen [--only-missing] <folder> | datagen --table <track>\n");
        return 2;
    }
    const char* folder = argv[argc - 1];
    if (onlyMissing) {
        const size_t missing = datagen::MissingSampleData(folder).size();
        if (missing == 0)
            return 0;
        std::printf("datagen: writing again the sample data set's missing files (%zu of %zu)\n", missing,
                    datagen::SampleDataPaths().size());
    }
    const unsigned cores = std::thread::hardware_concurrency();
    const int threads = cores >= 2 ? 2 : 1;
    const std::vector<std::string> problems = datagen::GenerateSampleData(folder, threads, onlyMissing);
    for (const std::string& problem : problems)
        std::fprintf(stderr, "datagen: %s\n", problem.c_str());
    return problems.empty() ? 0 : 1;
}
