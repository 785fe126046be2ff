#pragma once
// The ten tracks by number: their directory names, display names and menu
// pictures, and the paths built from the directory name. No function checks
// its argument: callers pass 0 to TRACK_COUNT - 1.

#include <cstdint>
#include <string>

enum TrackId : uint32_t {
    TRACK_FINLAND = 0,
    TRACK_CAMBODIA = 1,
    TRACK_MEXICO = 2,
    TRACK_UK = 3,
    TRACK_TANZANIA = 4,
    TRACK_USA = 5,
    TRACK_GERMANY = 6,
    TRACK_EGYPT = 7,
    TRACK_HAWAII = 8,
    TRACK_FINLAND2 = 9,
};

constexpr uint32_t TRACK_COUNT = 10;

extern const char g_TrackDirectoryNames[TRACK_COUNT][32];
extern const char g_TrackDisplayNames[TRACK_COUNT][32];
extern const char g_TrackImagePaths[TRACK_COUNT][64];

const char* GetTrackDisplayName(TrackId id);
const char* GetTrackImagePath(TrackId id);
// "Data\Tracks\<directory>\"
std::string BuildTrackDataPath(TrackId id);
// "Graphics\Tracks\<directory>\"
std::string BuildTrackGraphicsPath(TrackId id);
// The track's best-time file: BuildTrackDataPath + "Records.bt".
std::string BuildTrackRecordsPath(TrackId id);
// "Audio\Music\<directory>.ogg"
std::string BuildTrackMusicPath(TrackId id);
