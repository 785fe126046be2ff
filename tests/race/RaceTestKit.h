#pragma once
// A single-player race on the headless device, driven as the front end drives
// it: each frame the test clock moves 16 ms, then HandleInput, Update, the
// sound mix and Draw with the HUD font. The game's data is seen through a
// private folder without any Records.bt, so tests may write their own.

#include "tracks/TrackTestKit.h"

#include "race/SinglePlayerRace.h"
#include "tracks/TrackTable.h"

#include "engine/platform/BitmapFont.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

constexpr uint32_t RACE_FRAME_MS = 16;

// The red of the speed needle and the boost bar.
bool IsRed(uint32_t colour);

// How a display text is drawn besides its place and scale.
struct TextLook {
    uint32_t colour = 0xFFFFFFFFu;
    bool centred = false;
    float spacing = 0.0f;
    bool onSpeedDial = false; // drawn over the speed dial, as the gear is
};

class RaceTest : public SceneTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A new single-player race on `id`; false when Create fails.
    bool StartRace(TrackId id);
    // Release, Destroy and delete, as the front end ends a race.
    void EndRace();
    // One frame; with draw false the frame is not drawn.
    void Frame(bool draw = true);
    // A frame drawn only every `drawEvery` frames: the software rasteriser takes
    // about 30 ms for a picture of the race, and nothing of the race's state
    // depends on the drawing.
    void FastFrame(int drawEvery = 16) { Frame(frame % drawEvery == 0); }
    // Time away from the race (a pause, a device reset), then the front end's resynchronisation.
    void Away(uint32_t ms);
    // A device lost and reset as the front end goes through it, `ms` passing meanwhile: the
    // race and the font let their device objects go (the race twice) and take them back.
    void LoseAndRestoreDevice(uint32_t ms);
    // Holds or lets go of a key as a player would.
    static void Press(uint8_t key, bool down);
    // The race that DrawNow and ShowsText draw: the single-player race unless a kit says otherwise.
    virtual Race* ShownRace() { return race.get(); }
    // Draws the shown race as it stands (no clock, no update) and reads it back.
    std::vector<uint32_t> DrawNow(bool withHud);
    // Keeps `picture` as build/bin/artifacts/`name`.png, beside the test programs.
    void SaveToArtifacts(const std::string& name, const std::vector<uint32_t>& picture);
    // Whether `picture` shows `text` as the display draws it at (x, y): the rows the text
    // covers are those of the scene with only that text drawn on it.
    ::testing::AssertionResult ShowsText(const std::vector<uint32_t>& picture, const char* text, float x, float y,
                                         float scale, const TextLook& look = {});

    std::unique_ptr<SinglePlayerRace> race;
    BitmapFont font;
    std::string dataDirectory;
    std::string originalBase;
    int frame = 0;
};
