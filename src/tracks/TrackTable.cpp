#include "tracks/TrackTable.h"

const char g_TrackDirectoryNames[TRACK_COUNT][32] = {"Finland", "Cambodia", "Mexico", "UK",     "Tanzania",
                                                     "USA",     "Germany",  "Egypt",  "Hawaii", "Finland2"};

const char g_TrackDisplayNames[TRACK_COUNT][32] = {"Finland I", "Cambodia", "Mexico", "UK Dirt Track", "Tanzania",
                                                   "USA",       "Germany",  "Egypt",  "Hawaii",        "Finland II"};

const char g_TrackImagePaths[TRACK_COUNT][64] = {
    "Graphics\\Textures\\TrackImages\\Finland.dds",  "Graphics\\Textures\\TrackImages\\Cambodia.dds",
    "Graphics\\Textures\\TrackImages\\Mexico.dds",   "Graphics\\Textures\\TrackImages\\UK.dds",
    "Graphics\\Textures\\TrackImages\\Tanzania.dds", "Graphics\\Textures\\TrackImages\\USA.dds",
    "Graphics\\Textures\\TrackImages\\Germany.dds",  "Graphics\\Textures\\TrackImages\\Egypt.dds",
    "Graphics\\Textures\\TrackImages\\Hawaii.dds",   "Graphics\\Textures\\TrackImages\\Finland2.dds",
};

const char* GetTrackDisplayName(TrackId id)
{
    return g_TrackDisplayNames[id];
}

const char* GetTrackImagePath(TrackId id)
{
    return g_TrackImagePaths[id];
}

std::string BuildTrackDataPath(TrackId id)
{
    return std::string("Data\\Tracks\\") + g_TrackDirectoryNames[id] + "\\";
}

std::string BuildTrackGraphicsPath(TrackId id)
{
    return std::string("Graphics\\Tracks\\") + g_TrackDirectoryNames[id] + "\\";
}

std::string BuildTrackRecordsPath(TrackId id)
{
    return BuildTrackDataPath(id) + "Records.bt";
}

std::string BuildTrackMusicPath(TrackId id)
{
    return std::string("Audio\\Music\\") + g_TrackDirectoryNames[id] + ".ogg";
}
