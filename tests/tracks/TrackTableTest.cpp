#include "tracks/CreateTrack.h"

#include "engine/platform/Log.h"
#include "engine/platform/RenderTestDevice.h"

#include <gtest/gtest.h>

#include <string>

TEST(TrackTable, PathsAndNamesOfEveryTrackComeFromItsDirectory)
{
    struct Row {
        const char* directory;
        const char* display;
    };
    const Row rows[TRACK_COUNT] = {{"Finland", "Finland I"},  {"Cambodia", "Cambodia"}, {"Mexico", "Mexico"},
                                   {"UK", "UK Dirt Track"},   {"Tanzania", "Tanzania"}, {"USA", "USA"},
                                   {"Germany", "Germany"},    {"Egypt", "Egypt"},       {"Hawaii", "Hawaii"},
                                   {"Finland2", "Finland II"}};
    for (uint32_t i = 0; i < TRACK_COUNT; ++i) {
        const TrackId id = TrackId(i);
        const std::string dir = rows[i].directory;
        SCOPED_TRACE(dir);
        EXPECT_STREQ(GetTrackDisplayName(id), rows[i].display);
        EXPECT_EQ(GetTrackImagePath(id), "Graphics\\Textures\\TrackImages\\" + dir + ".dds");
        EXPECT_EQ(BuildTrackDataPath(id), "Data\\Tracks\\" + dir + "\\");
        EXPECT_EQ(BuildTrackGraphicsPath(id), "Graphics\\Tracks\\" + dir + "\\");
        EXPECT_EQ(BuildTrackRecordsPath(id), "Data\\Tracks\\" + dir + "\\Records.bt");
        EXPECT_EQ(BuildTrackMusicPath(id), "Audio\\Music\\" + dir + ".ogg");
    }
}

TEST(TrackFactory, RefusesNumbersAboveNineWithoutLogging)
{
    LogCapture log;
    for (uint32_t id : {10u, 11u, 0xFFFFFFFFu}) {
        g_LastError.clear();
        EXPECT_EQ(CreateTrack(TrackId(id)), nullptr);
        EXPECT_EQ(g_LastError, "Corrupt track ID!");
    }
    EXPECT_EQ(log.text.str(), "");
}
