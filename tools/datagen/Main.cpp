// Writes the sample data set into the folder given as the argument.

#include "datagen/SampleData.h"

#include <cstdio>
#include <thread>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: datagen <folder>\n");
        return 2;
    }
    const unsigned cores = std::thread::hardware_concurrency();
    const int threads = cores >= 2 ? 2 : 1;
    const std::vector<std::string> problems = datagen::GenerateSampleData(argv[1], threads);
    for (const std::string& problem : problems)
        std::fprintf(stderr, "datagen: %s\n", problem.c_str());
    return problems.empty() ? 0 : 1;
}
