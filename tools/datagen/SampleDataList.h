#pragma once
// Every file of the generated sample data set, by the game path the game opens it
// with (backslashes, exact letter case). The generator must write exactly these.

#include <string>
#include <vector>

namespace datagen {

constexpr int TRACK_COUNT = 10;
// The tracks' folder names, in track number order.
extern const char* const TRACK_DIRECTORIES[TRACK_COUNT];

const std::vector<std::string>& SampleDataPaths();

// The files of the list that the game itself writes: the launcher's settings,
// the volumes and each track's best times. Once there, they are the player's.
const std::vector<std::string>& PlayerFilePaths();

} // namespace datagen
