#pragma once
// Game paths on a Linux file system: the game names its files with backslashes
// ("Data\\Font.dat"), relative to its own folder, and without regard to case.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace backend {

// The folder that relative game paths start from: the executable's folder,
// unless SetBaseDirectory chose another one.
const std::string& BaseDirectory();
void SetBaseDirectory(std::string directory);

// A game path as a path on disk: backslashes become slashes, a relative path
// starts at BaseDirectory(), and a component that does not exist with its exact
// spelling is matched case-insensitively when exactly such an entry exists.
std::string ResolvePath(std::string_view gamePath);

// Size ceilings of whole-file reads, by what the file holds.
constexpr uint64_t MAX_SETTINGS_FILE_BYTES = 4096;             // Game.cfg, Data\Sound.cfg, Records.bt, font tables
constexpr uint64_t MAX_ASSET_FILE_BYTES = uint64_t(256) << 20; // pictures, models, animations
constexpr uint64_t NO_FILE_SIZE_LIMIT = UINT64_MAX;

// Opens a game path for reading. Only a regular file of at most `limit` bytes
// opens: a FIFO, a device or a folder is refused without blocking. When a file
// that is there is refused, `refusal` (if given) says why; it stays empty when
// there was nothing to open.
FILE* OpenFileForReading(std::string_view gamePath, uint64_t limit, std::string* refusal = nullptr);

// The size of an open file as it is now (another program may have cut it
// short or lengthened it since the open); -1 when it can't be told.
int64_t CurrentFileSize(FILE* file);

// fopen of a game path; a mode that reads opens as OpenFileForReading without a
// size limit.
FILE* OpenFile(std::string_view gamePath, const char* mode);

// Reads a whole file opened as by OpenFileForReading; false when it is missing,
// refused or cannot be read, with the reason in `error` (empty when missing).
bool ReadWholeFile(std::string_view gamePath, std::vector<uint8_t>& out, uint64_t limit = MAX_ASSET_FILE_BYTES,
                   std::string* error = nullptr);

// Replaces a file: `write` fills a temporary file beside it ("<name>.tmp"),
// which is then renamed over the old one. When the temporary file can't be
// made, `write` fails or the data can't be flushed, the old file stays as it
// was and no temporary file is left behind; `error` (if given) says which file
// and why, and is empty on success.
bool ReplaceFile(std::string_view gamePath, const std::function<bool(FILE*)>& write, std::string* error = nullptr);

// ReplaceFile with a file that holds exactly these bytes.
bool ReplaceFileBytes(std::string_view gamePath, const void* bytes, size_t size, std::string* error = nullptr);

// True when a name taken from a data file stays inside the folder it is joined
// to: not rooted, and no ".." component (either slash separates).
bool IsNameInsideFolder(std::string_view name);

} // namespace backend
