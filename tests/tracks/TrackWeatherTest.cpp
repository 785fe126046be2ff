#include "TrackTestKit.h"

#include "tracks/CambodiaTrack.h"
#include "tracks/Finland2Track.h"
#include "tracks/GermanyTrack.h"

#include "audio/Sound.h"
#include "backend/files/Files.h"
#include "backend/gpu/DdsReader.h"
#include "backend/sound/SoundTestHooks.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using backend::Vector3;

namespace {

double SoundEnergy(uint32_t frames)
{
    std::vector<int16_t> out(size_t(frames) * 2);
    if (!backend::RenderSoundFrames(out.data(), frames))
        return -1.0;
    double sum = 0.0;
    for (int16_t s : out)
        sum += double(s) * double(s);
    return sum / double(out.size());
}

// What a rainy track's rain must be.
struct Rain {
    int count;
    float radius, bottom, speed, height, volume;
};

// Whether the track's race rains: its Load opens the rain's texture (TrackMissingFile
// holds the load list to what Load opens).
bool Rains(TrackId id)
{
    const std::vector<std::string>& files = TrackLoadList(id);
    return std::find(files.begin(), files.end(), "Graphics\\Textures\\Rain.dds") != files.end();
}

struct Picture {
    uint32_t width = 0, height = 0;
    std::vector<uint32_t> pixels; // 0xAARRGGBB, row 0 on top
};

// The track's Select Track picture as the game reads it, its top level decoded.
Picture MenuPicture(TrackId id)
{
    Picture picture;
    std::vector<uint8_t> bytes;
    backend::ImageData image;
    std::string error;
    if (!backend::ReadWholeFile(GetTrackImagePath(id), bytes) ||
        !backend::ReadDds(bytes.data(), bytes.size(), image, error)) {
        ADD_FAILURE() << GetTrackImagePath(id) << ": " << error;
        return picture;
    }
    const backend::ImageSurface& top = image.Surface(0, 0);
    std::vector<uint8_t> texels = top.bytes;
    if (backend::ImageIsCompressed(image.format))
        backend::DecompressDxt(image.format, image.width, image.height, top.bytes.data(), texels);
    else if (image.format != backend::D3DFMT_A8R8G8B8 && image.format != backend::D3DFMT_X8R8G8B8) {
        ADD_FAILURE() << GetTrackImagePath(id) << ": format " << image.format;
        return picture;
    }
    picture.width = image.width;
    picture.height = image.height;
    picture.pixels.resize(size_t(image.width) * image.height);
    std::memcpy(picture.pixels.data(), texels.data(), picture.pixels.size() * 4);
    return picture;
}

// The sky over the picture's top twelve rows, whatever small things are drawn
// over it: the median of the pixels' spreads between their strongest and
// weakest channel, and the median of their levels (the channels' mean).
struct Sky {
    int spread = 0, level = 0;

    // Grey and dull. A clear sky is blue, orange or pale; haze is pale too.
    bool RainClouds() const { return spread < 32 && level < 125; }
};

Sky TopSky(const Picture& picture)
{
    std::vector<int> spreads, levels;
    for (size_t i = 0; i < size_t(picture.width) * 12; ++i) {
        const uint32_t c = picture.pixels[i];
        const int r = int(c >> 16 & 0xFF), g = int(c >> 8 & 0xFF), b = int(c & 0xFF);
        spreads.push_back(std::max({r, g, b}) - std::min({r, g, b}));
        levels.push_back((r + g + b) / 3);
    }
    const auto median = [](std::vector<int>& values) {
        std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(values.size() / 2), values.end());
        return values[values.size() / 2];
    };
    return {median(spreads), median(levels)};
}

} // namespace

class TrackWeather : public TrackTest {
protected:
    // The rain gathers round the moped at its height, falls at its speed, follows
    // the moped, streaks the picture, and its sound loops at the rain volume.
    template <class RainyTrack> void ExpectRainAndItsSound(TrackId id, const Rain& settings);
};

template <class RainyTrack> void TrackWeather::ExpectRainAndItsSound(TrackId id, const Rain& settings)
{
    ASSERT_TRUE(OpenTrack(id)) << g_LastError;
    ASSERT_TRUE(CreateWorld());
    auto* rainy = dynamic_cast<RainyTrack*>(track.get());
    ASSERT_NE(rainy, nullptr);
    ASSERT_NE(rainy->rainSound, nullptr);
    EXPECT_TRUE(rainy->rainSound->IsLooping());

    rainy->rainSound->SetVolume(1.0f);
    const Vector3 moped = {10.0f, 5.0f, -20.0f};
    track->Reset(&moped);
    EXPECT_EQ(rainy->rainSound->GetVolume(), settings.volume);
    ASSERT_EQ(rainy->rain.particles.size(), size_t(settings.count));
    for (const auto& drop : rainy->rain.particles) {
        EXPECT_LE(std::abs(drop.position.x - moped.x), settings.radius);
        EXPECT_LE(std::abs(drop.position.z - moped.z), settings.radius);
        EXPECT_GE(drop.position.y, settings.bottom);
        EXPECT_LE(drop.position.y, settings.height);
    }

    EXPECT_LT(SoundEnergy(2205), 1.0);
    track->StartSounds();
    EXPECT_TRUE(rainy->rainSound->IsPlaying());
    EXPECT_GT(SoundEnergy(22050), 1000.0);

    // Each step drops every drop by the speed, or respawns it under the new emitter.
    const Vector3 moved = {30.0f, 7.0f, 40.0f};
    std::vector<Vector3> before;
    for (const auto& drop : rainy->rain.particles)
        before.push_back(drop.position);
    track->Update(&moved);
    EXPECT_EQ(rainy->rain.position.x, moved.x);
    EXPECT_EQ(rainy->rain.position.y, settings.height);
    EXPECT_EQ(rainy->rain.position.z, moved.z);
    int fallen = 0;
    for (size_t i = 0; i < before.size(); ++i) {
        const Vector3& now = rainy->rain.particles[i].position;
        if (now.x == before[i].x && now.z == before[i].z && std::abs(before[i].y - settings.speed - now.y) < 1e-3f)
            ++fallen;
        else
            EXPECT_LE(std::abs(now.x - moved.x), settings.radius);
    }
    EXPECT_GT(fallen, settings.count * 9 / 10);

    // Streaks over the start view, from start place 0.
    const TrackStartPosition& start = track->trackData.startPositions[0];
    const Vector3 standing = {start.x, 0.0f, start.z};
    track->Reset(&standing);
    track->Update(&standing);
    const Camera camera = StartCamera(0);
    const std::vector<uint32_t> withRain = DrawTrack(camera);
    SaveArtifact(std::string("track-") + g_TrackDirectoryNames[id] + "-rain", withRain);
    rainy->rain.Clear();
    EXPECT_GT(Footprint(withRain, DrawTrack(camera)).count, 400);

    track->Destroy();
    EXPECT_EQ(rainy->rainSound, nullptr);
    EXPECT_TRUE(rainy->rain.particles.empty());
}

// Each track's Select Track picture shows its own weather: rain clouds exactly
// over the tracks whose race rains.
TEST(TrackMenuPicture, RainCloudsExactlyOverTheTracksWhereItRains)
{
    int rainy = 0;
    for (uint32_t i = 0; i < TRACK_COUNT; ++i) {
        const TrackId id = TrackId(i);
        SCOPED_TRACE(g_TrackDirectoryNames[id]);
        const Picture picture = MenuPicture(id);
        ASSERT_GE(picture.height, 12u);
        SaveArtifact(std::string("menu-") + g_TrackDirectoryNames[id], picture.pixels, picture.width, picture.height);
        rainy += Rains(id) ? 1 : 0;
        const Sky sky = TopSky(picture);
        EXPECT_EQ(sky.RainClouds(), Rains(id))
            << (Rains(id) ? "no rain clouds where it rains" : "rain clouds over a dry track") << ": spread "
            << sky.spread << ", level " << sky.level;
    }
    EXPECT_GT(rainy, 0);
}

TEST_F(TrackWeather, CambodiaRainFallsAroundTheMopedAndItsSoundPlays)
{
    ExpectRainAndItsSound<CambodiaTrack>(TRACK_CAMBODIA, {1000, 80.0f, 0.0f, 5.0f, 100.0f, 0.15f});
}

TEST_F(TrackWeather, GermanyRainFallsAroundTheMopedAndItsSoundPlays)
{
    ExpectRainAndItsSound<GermanyTrack>(TRACK_GERMANY, {500, 80.0f, 0.0f, 5.0f, 100.0f, 0.15f});
}

// The snow column stands on the moped's x and z at height 0 whatever its y,
// its flakes fall and drift only inside it, and they show in the picture.
TEST_F(TrackWeather, Finland2SnowFallsAroundTheMoped)
{
    constexpr int SNOW_COUNT = 2000;
    constexpr float SNOW_RADIUS = 40.0f, SNOW_TOP = 50.0f, SNOW_BOTTOM = 0.0f, SNOW_HEIGHT = 0.0f;
    ASSERT_TRUE(OpenTrack(TRACK_FINLAND2)) << g_LastError;
    ASSERT_TRUE(CreateWorld());
    auto* finland2 = dynamic_cast<Finland2Track*>(track.get());
    ASSERT_NE(finland2, nullptr);

    const Vector3 moped = {-40.0f, 14.0f, 25.0f};
    track->Reset(&moped);
    EXPECT_EQ(finland2->snow.position.x, moped.x);
    EXPECT_EQ(finland2->snow.position.y, SNOW_HEIGHT);
    EXPECT_EQ(finland2->snow.position.z, moped.z);
    ASSERT_EQ(finland2->snow.particles.size(), size_t(SNOW_COUNT));
    std::vector<float> heights;
    for (const auto& flake : finland2->snow.particles) {
        EXPECT_LE(std::abs(flake.position.x), SNOW_RADIUS);
        EXPECT_LE(std::abs(flake.position.z), SNOW_RADIUS);
        EXPECT_GE(flake.position.y, SNOW_BOTTOM);
        EXPECT_LE(flake.position.y, SNOW_TOP);
        heights.push_back(flake.position.y);
    }
    const Vector3 moved = {35.0f, -3.0f, -60.0f};
    track->Update(&moved);
    EXPECT_EQ(finland2->snow.position.x, moved.x);
    EXPECT_EQ(finland2->snow.position.y, SNOW_HEIGHT);
    EXPECT_EQ(finland2->snow.position.z, moved.z);
    int falling = 0;
    for (size_t i = 0; i < heights.size(); ++i)
        if (finland2->snow.particles[i].position.y < heights[i])
            ++falling;
    EXPECT_GT(falling, SNOW_COUNT * 9 / 10);

    const TrackStartPosition& start = track->trackData.startPositions[0];
    const Vector3 standing = {start.x, 13.0f, start.z};
    track->Reset(&standing);
    for (int step = 0; step < 30; ++step)
        track->Update(&standing);
    const Camera camera = StartCamera(0);
    const std::vector<uint32_t> snowing = DrawTrack(camera);
    SaveArtifact("track-Finland2-snow", snowing);
    finland2->snow.Clear();
    EXPECT_GT(Footprint(snowing, DrawTrack(camera)).count, 200);
}
