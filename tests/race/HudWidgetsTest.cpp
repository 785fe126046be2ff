// The race display's widgets on the headless device with the generated data:
// where each one lands on the 800 x 600 screen, the count-down's steps and
// sounds on the test clock, and a device reset in between.

#include "race/BoostMeter.h"
#include "race/CountDown.h"
#include "race/Minimap.h"
#include "race/SpeedMeter.h"

#include "RaceTestKit.h"

#include "tracks/TrackTestKit.h"
#include "tracks/UKDefs.h"

#include "audio/AudioManager.h"
#include "audio/Sound.h"
#include "backend/clock/Clock.h"
#include "backend/gpu/GpuDevice.h"
#include "backend/sound/LoopbackDevice.h"
#include "engine/platform/RenderDevice.h"
#include "tracks/TrackTable.h"

#include <algorithm>
#include <cmath>

using namespace backend;

namespace {

constexpr uint32_t CLEAR = 0xFF305070u;
constexpr float PI = 3.14159265f;

enum HudPart : uint32_t {
    PART_SPEED = 1,
    PART_COUNTDOWN = 2,
    PART_BOOST = 4,
    PART_MAP = 8,
    PART_MARKER = 16,
    PART_ALL = 31,
};

// A pixel of the needle's red within 3 pixels of (x, y).
bool RedNear(const std::vector<uint32_t>& pixels, int x, int y)
{
    for (int dy = -3; dy <= 3; ++dy)
        for (int dx = -3; dx <= 3; ++dx) {
            const uint32_t c = pixels[size_t(y + dy) * 800 + size_t(x + dx)];
            const int r = int(c >> 16 & 0xFF), g = int(c >> 8 & 0xFF), b = int(c & 0xFF);
            if (r > 150 && r > g + 60 && r > b + 60)
                return true;
        }
    return false;
}

class HudWidgets : public SceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        UseLoopbackSoundDevice(true);
        UseManualClock(true);
        AdvanceManualClock(1000);
        ASSERT_TRUE(OpenScene());
        ASSERT_TRUE(GetAudioManager()->Init(&audioParams));
    }
    void TearDown() override
    {
        countDown.Destroy();
        ReleaseAll();
        GetAudioManager()->Shutdown();
        UseManualClock(false);
        UseLoopbackSoundDevice(false);
        SceneTest::TearDown();
    }

    bool LoadAll()
    {
        const float centre[2] = {60.0f, 510.0f};
        const float size[2] = {UKDefs::CONSTANTS.viewValues.x, UKDefs::CONSTANTS.viewValues.y};
        const float world[2] = {UKDefs::CONSTANTS.worldSize.x, UKDefs::CONSTANTS.worldSize.z};
        const std::string map = BuildTrackGraphicsPath(TRACK_UK) + "Textures\\TrackHUD.dds";
        return speed.Load() && countDown.Load() && boost.Load() && minimap.Load(map.c_str(), centre, size, world);
    }
    void ReleaseAll()
    {
        speed.Release();
        countDown.Release();
        boost.Release();
        minimap.Release();
    }

    // The widgets where the race display puts them, with its device states.
    std::vector<uint32_t> Draw(uint32_t parts, float speedValue, float boostPercent)
    {
        RenderDevice& rd = g_RenderDevice;
        BeginFrame(CLEAR);
        rd.Begin2D(800.0f, 600.0f);
        rd.device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
        rd.device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        rd.device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        rd.device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        if (parts & PART_SPEED)
            speed.Render(680.0f, 490.0f, speedValue);
        if (parts & PART_COUNTDOWN)
            countDown.Render();
        rd.device->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
        if (parts & PART_BOOST)
            boost.Render(10.0f, 174.0f, boostPercent);
        rd.ChangeRenderState(D3DRS_ALPHABLENDENABLE, 1);
        if (parts & PART_MAP)
            minimap.RenderMap();
        if (parts & PART_MARKER)
            minimap.RenderMarker(&markerAt, 0xFF0000FFu);
        rd.RevertRenderState(D3DRS_ALPHABLENDENABLE);
        EndFrame();
        return ReadBackBuffer();
    }

    // One frame of the count-down after `ms` of the test clock, with the sound mixed meanwhile.
    void Step(uint32_t ms)
    {
        soundtest::Render(ms * soundtest::OUTPUT_RATE / 1000);
        AdvanceManualClock(uint64_t(ms) * 1000);
        GetAudioManager()->Update();
        countDown.Update();
    }

    AudioInitParams audioParams;
    SpeedMeter speed;
    CountDown countDown;
    BoostMeter boost;
    Minimap minimap;
    Vector3 markerAt = {62.5f, 0.0f, -83.33f};
};

// Each widget drawn alone against the picture without it: the dial around
// (680, 490) with the needle turned by the value, the count-down digit in the
// middle, the boost frame at (10, 174) with a bar as long as the amount, the
// map around (60, 510) and the marker on the map point of its world position.
TEST_F(HudWidgets, EachWidgetDrawsWhereTheDisplayPutsIt)
{
    ASSERT_TRUE(LoadAll()) << g_LastError;
    // This value turns the needle from its rest (down and left) to straight up.
    const float upright = 0.75f * PI / SPEEDMETER_RADIANS_PER_UNIT;
    countDown.counter = 3;
    const std::vector<uint32_t> all = Draw(PART_ALL, upright, 40.0f);
    SaveArtifact("hud-widgets", all);

    const Box dial = Footprint(all, Draw(PART_ALL & ~PART_SPEED, upright, 40.0f));
    EXPECT_NEAR(dial.left, 680 - 78, 3);
    EXPECT_NEAR(dial.right, 680 + 78, 3);
    EXPECT_NEAR(dial.top, 490 - 78, 3);
    EXPECT_NEAR(dial.bottom, 490 + 78, 3);
    EXPECT_TRUE(RedNear(all, 680, 460));
    EXPECT_FALSE(RedNear(all, 680 - 21, 490 + 21));
    const std::vector<uint32_t> resting = Draw(PART_SPEED, 0.0f, 0.0f);
    EXPECT_TRUE(RedNear(resting, 680 - 21, 490 + 21));
    EXPECT_FALSE(RedNear(resting, 680, 460));

    const Box digit = Footprint(all, Draw(PART_ALL & ~PART_COUNTDOWN, upright, 40.0f));
    EXPECT_GT(digit.count, 300);
    EXPECT_NEAR((digit.left + digit.right) * 0.5, 400.0, 8.0);
    EXPECT_NEAR((digit.top + digit.bottom) * 0.5, 300.0, 10.0);
    EXPECT_GE(digit.left, 400 - 64);
    EXPECT_LE(digit.right, 400 + 64);

    const Box frame = Footprint(all, Draw(PART_ALL & ~PART_BOOST, upright, 40.0f));
    EXPECT_NEAR(frame.left, 10, 1);
    EXPECT_NEAR(frame.right, 10 + 120, 1);
    EXPECT_NEAR(frame.top, 174, 1);
    EXPECT_NEAR(frame.bottom, 174 + 13, 1);
    for (float percent : {0.0f, 40.0f, 100.0f}) {
        const std::vector<uint32_t> picture = percent == 40.0f ? all : Draw(PART_BOOST, 0.0f, percent);
        int first = -1, last = -1;
        for (int x = 0; x < 200; ++x)
            if (IsRed(PixelAt(picture, x, 174 + 7))) {
                first = first < 0 ? x : first;
                last = x;
            }
        const float length = 113.0f * percent / 100.0f;
        if (length < 1.0f) {
            EXPECT_EQ(first, -1);
            continue;
        }
        EXPECT_EQ(first, 14) << percent;
        EXPECT_NEAR(last + 1, 14 + length, 1.0) << percent;
    }

    const Box map = Footprint(all, Draw(PART_ALL & ~PART_MAP, upright, 40.0f));
    EXPECT_GT(map.count, 150);
    EXPECT_GT(map.right - map.left, 50);
    EXPECT_GT(map.bottom - map.top, 70);
    EXPECT_GE(map.left, 3);
    EXPECT_LE(map.right, 117);
    EXPECT_GE(map.top, 434);
    EXPECT_LE(map.bottom, 586);

    // x = 62.5 / 250 * 112.5 + 60, y = 510 + 83.33 / 333.33 * 150
    const Box marker = Footprint(all, Draw(PART_ALL & ~PART_MARKER, upright, 40.0f));
    ASSERT_GT(marker.count, 40);
    EXPECT_LT(marker.count, 145);
    EXPECT_NEAR(marker.CentreX(), 88.125, 1.0);
    EXPECT_NEAR(marker.CentreY(), 547.5, 1.0);
    const uint32_t middle = PixelAt(all, 88, 547);
    EXPECT_GT(int(middle & 0xFF), 200);
    EXPECT_LT(int(middle >> 16 & 0xFF), 40);
}

// From a reset: nothing for a second, then 5 ... 1 a second apart with a beep
// each, "go" with its own sound, then -1 and no further steps. A step's rest
// is dropped, so with 16 ms frames each step takes 63 frames.
TEST_F(HudWidgets, CountDownStepsOnceASecondWithOneSoundPerStep)
{
    ASSERT_TRUE(LoadAll()) << g_LastError;
    const std::vector<uint32_t> empty = Draw(0, 0.0f, 0.0f);
    for (uint32_t frameMs : {10u, 16u}) {
        SCOPED_TRACE(frameMs);
        countDown.Reset();
        EXPECT_EQ(Draw(PART_COUNTDOWN, 0.0f, 0.0f), empty);
        const uint32_t framesPerStep = (1000 + frameMs - 1) / frameMs;
        std::vector<std::pair<uint32_t, int32_t>> steps;
        int beeps = 0, goes = 0;
        uint32_t beepStart = countDown.countDownSound->playStartTime;
        uint32_t goStart = countDown.goSound->playStartTime;
        for (uint32_t frame = 1; frame <= 8 * framesPerStep; ++frame) {
            const int32_t before = countDown.counter;
            Step(frameMs);
            if (countDown.counter != before)
                steps.emplace_back(frame, countDown.counter);
            EXPECT_EQ(countDown.go, countDown.counter <= 0);
            if (countDown.countDownSound->playStartTime != beepStart) {
                beepStart = countDown.countDownSound->playStartTime;
                ++beeps;
                EXPECT_TRUE(countDown.countDownSound->IsPlaying());
                EXPECT_GT(countDown.counter, 0);
            }
            if (countDown.goSound->playStartTime != goStart) {
                goStart = countDown.goSound->playStartTime;
                ++goes;
                EXPECT_EQ(countDown.counter, 0);
            }
        }
        std::vector<std::pair<uint32_t, int32_t>> expected;
        for (int32_t k = 1; k <= 7; ++k)
            expected.emplace_back(k * framesPerStep, 6 - k);
        EXPECT_EQ(steps, expected);
        EXPECT_EQ(beeps, 5);
        EXPECT_EQ(goes, 1);
        EXPECT_EQ(Draw(PART_COUNTDOWN, 0.0f, 0.0f), empty);
    }
    countDown.Destroy();
    countDown.Destroy();
    EXPECT_EQ(countDown.countDownSound, nullptr);
    EXPECT_EQ(countDown.goSound, nullptr);
}

// Released (twice) before a real device reset and restored after it, the
// widgets draw the same picture as before.
TEST_F(HudWidgets, ReleaseAndRestoreAroundADeviceResetKeepThePicture)
{
    ASSERT_TRUE(LoadAll()) << g_LastError;
    countDown.counter = 0;
    const std::vector<uint32_t> before = Draw(PART_ALL, 9.0f, 70.0f);
    GpuDevice* device = g_RenderDevice.device;
    device->ForceDeviceLoss(1);
    EXPECT_EQ(device->TestCooperativeLevel(), GPUERR_DEVICELOST);
    ReleaseAll();
    ReleaseAll();
    EXPECT_EQ(device->GetLiveDefaultPoolCount(), 0u);
    ASSERT_TRUE(GpuSucceeded(device->Reset(&g_RenderDevice.presentParameters)));
    g_RenderDevice.ResetStateCache();
    ApplyFixedStates();
    ASSERT_TRUE(speed.Restore() && countDown.Restore() && boost.Restore() && minimap.Restore()) << g_LastError;
    EXPECT_EQ(Draw(PART_ALL, 9.0f, 70.0f), before);
}

} // namespace
