#pragma once
// The folder the sample data set is written into. Files are named by their game
// paths (backslashes), which become paths under the folder.

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace datagen {

class DataFolder {
public:
    // onlyMissing: only the files missing from the folder are written; every file there is kept, not only the
    // player's.
    explicit DataFolder(std::string root, bool onlyMissing = false);

    // The file system path of a game path.
    std::string PathOf(const std::string& gamePath) const;
    // Something is at the game path's name, even a link to nowhere.
    bool Has(const std::string& gamePath) const;
    // Writes one file and remembers its game path; false (and remembered as a failure) when it can't.
    // One of PlayerFilePaths() that is already there (any file, with onlyMissing) is left as it is, and
    // remembered all the same.
    bool Write(const std::string& gamePath, const std::vector<uint8_t>& bytes);
    // Notes a failure that is not a write (e.g. an encoder refusing its input).
    void Fail(const std::string& message);

    // The game paths written (or kept) so far, in the order they were written.
    std::vector<std::string> Written() const;
    std::vector<std::string> Failures() const;

private:
    std::string root;
    bool onlyMissing;
    mutable std::mutex lock;
    std::vector<std::string> written;
    std::vector<std::string> failures;
};

} // namespace datagen
