#include "datagen/DataFolder.h"

#include "datagen/SampleDataList.h"
#include "datagen/writers/FileWriter.h"

#include <algorithm>
#include <filesystem>
#include <utility>

namespace datagen {

DataFolder::DataFolder(std::string folder, bool onlyMissing) : root(std::move(folder)), onlyMissing(onlyMissing) {}

std::string DataFolder::PathOf(const std::string& gamePath) const
{
    std::string path = root;
    if (!path.empty() && path.back() != '/')
        path += '/';
    for (char c : gamePath)
        path += c == '\\' ? '/' : c;
    return path;
}

bool DataFolder::Has(const std::string& gamePath) const
{
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(PathOf(gamePath), ec));
}

bool DataFolder::Write(const std::string& gamePath, const std::vector<uint8_t>& bytes)
{
    const std::vector<std::string>& players = PlayerFilePaths();
    const bool kept =
        (onlyMissing || std::find(players.begin(), players.end(), gamePath) != players.end()) && Has(gamePath);
    const bool ok = kept || WriteFileBytes(PathOf(gamePath), bytes);
    std::lock_guard<std::mutex> guard(lock);
    if (ok)
        written.push_back(gamePath);
    else
        failures.push_back("can't write " + gamePath);
    return ok;
}

void DataFolder::Fail(const std::string& message)
{
    std::lock_guard<std::mutex> guard(lock);
    failures.push_back(message);
}

std::vector<std::string> DataFolder::Written() const
{
    std::lock_guard<std::mutex> guard(lock);
    return written;
}

std::vector<std::string> DataFolder::Failures() const
{
    std::lock_guard<std::mutex> guard(lock);
    return failures;
}

} // namespace datagen
