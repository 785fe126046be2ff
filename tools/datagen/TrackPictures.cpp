// The menu pictures of the ten tracks: a 256 x 192 landscape in the top of a 256 x 256 texture.
// A track whose descriptor table has rain is drawn under rain clouds, in the rain.

#include "datagen/Painter.h"
#include "datagen/SampleData.h"
#include "datagen/SampleDataList.h"
#include "datagen/Scenery.h"
#include "tracks/CambodiaDefs.h"
#include "tracks/GermanyDefs.h"
#include "tracks/TrackTable.h"

#include <cmath>
#include <string>

namespace datagen {

namespace {

constexpr float HORIZON = 104.0f;
constexpr float PICTURE_HEIGHT = 192.0f;

struct Landscape {
    uint32_t skyTop, skyBottom; // under the rain clouds where it rains
    uint32_t farHills, nearHills;
    uint32_t groundTop, groundBottom;
    uint32_t road, stripe;
    float hillHeight;
};

void Fir(RgbaImage& image, float x, float y, float h, uint32_t color)
{
    for (int tier = 0; tier < 3; ++tier) {
        const float top = y - h + tier * h * 0.25f, base = y - h * 0.3f + tier * h * 0.2f;
        const float w = h * (0.18f + tier * 0.08f);
        FillPolygon(image, {{x, top}, {x + w, base}, {x - w, base}}, color);
    }
    FillRect(image, x - h * 0.03f, y - h * 0.12f, x + h * 0.03f, y, Argb(255, 70, 45, 25));
}

void Palm(RgbaImage& image, float x, float y, float h)
{
    DrawLine(image, x, y, x + h * 0.15f, y - h, h * 0.06f, Argb(255, 120, 90, 50));
    const float tx = x + h * 0.15f, ty = y - h;
    for (int i = 0; i < 6; ++i) {
        const float a = -2.8f + i * 0.55f;
        DrawLine(image, tx, ty, tx + std::cos(a) * h * 0.45f, ty - std::sin(a) * h * 0.2f + h * 0.12f, h * 0.07f,
                 Argb(255, 40, 120, 40));
    }
}

void Cactus(RgbaImage& image, float x, float y, float h)
{
    const uint32_t green = Argb(255, 50, 110, 50);
    DrawLine(image, x, y, x, y - h, h * 0.16f, green);
    DrawLine(image, x - h * 0.25f, y - h * 0.45f, x - h * 0.25f, y - h * 0.75f, h * 0.11f, green);
    DrawLine(image, x - h * 0.25f, y - h * 0.45f, x, y - h * 0.45f, h * 0.11f, green);
    DrawLine(image, x + h * 0.22f, y - h * 0.55f, x + h * 0.22f, y - h * 0.85f, h * 0.11f, green);
    DrawLine(image, x + h * 0.22f, y - h * 0.55f, x, y - h * 0.55f, h * 0.11f, green);
}

void Acacia(RgbaImage& image, float x, float y, float h)
{
    DrawLine(image, x, y, x + h * 0.1f, y - h * 0.75f, h * 0.07f, Argb(255, 60, 40, 25));
    FillPolygon(
        image,
        {{x - h * 0.6f, y - h * 0.75f}, {x + h * 0.75f, y - h * 0.75f}, {x + h * 0.5f, y - h}, {x - h * 0.35f, y - h}},
        Argb(255, 50, 70, 30));
}

void Birch(RgbaImage& image, float x, float y, float h)
{
    DrawLine(image, x, y, x, y - h, h * 0.06f, Argb(255, 235, 235, 225));
    FillDisc(image, x, y - h * 0.8f, h * 0.28f, Argb(255, 90, 150, 60));
}

void Pyramid(RgbaImage& image, float x, float y, float w)
{
    FillPolygon(image, {{x - w, y}, {x, y - w * 0.65f}, {x + w, y}}, Argb(255, 215, 180, 110));
    FillPolygon(image, {{x, y - w * 0.65f}, {x + w, y}, {x + w * 0.2f, y}}, Argb(255, 170, 130, 75));
}

void Skyline(RgbaImage& image)
{
    for (int i = 0; i < 22; ++i) {
        const float x = i * 12.0f - 6.0f;
        const float h = 20.0f + FractalNoise(i * 37.0f, 3.0f, 20.0f, 2, 9) * 70.0f;
        FillRect(image, x, HORIZON - h, x + 11.0f, HORIZON + 2, Argb(255, 60, 65, 85));
        for (float wy = HORIZON - h + 4; wy < HORIZON - 3; wy += 6)
            for (float wx = x + 2; wx < x + 9; wx += 4)
                if (FractalNoise(wx * 7.0f, wy * 7.0f, 3.0f, 1, 4) > 0.45f)
                    FillRect(image, wx, wy, wx + 2, wy + 3, Argb(255, 250, 220, 120));
    }
}

void Stands(RgbaImage& image)
{
    FillPolygon(image, {{20, HORIZON + 4}, {20, HORIZON - 22}, {110, HORIZON - 34}, {110, HORIZON + 4}},
                Argb(255, 150, 150, 160));
    for (int row = 0; row < 5; ++row)
        for (int seat = 0; seat < 30; ++seat)
            BlendPixel(image, 24 + seat * 3, static_cast<int>(HORIZON - 6 - row * 5 - seat * 0.13f),
                       (seat + row) % 3 ? Argb(255, 200, 40, 40) : Argb(255, 240, 240, 240));
}

void Kerbs(RgbaImage& image)
{
    for (int i = 0; i < 12; ++i) {
        const float t0 = std::pow(0.8f, static_cast<float>(i)), t1 = std::pow(0.8f, i + 1.0f);
        for (int side = -1; side <= 1; side += 2) {
            auto at = [&](float t, float off) {
                return Point2{128.0f + side * (off + 96.0f * t), HORIZON + (PICTURE_HEIGHT - HORIZON) * t};
            };
            FillPolygon(image, {at(t0, 0), at(t0, 8 * t0), at(t1, 8 * t1), at(t1, 0)},
                        i % 2 ? Argb(255, 230, 30, 30) : Argb(255, 245, 245, 245));
        }
    }
}

void Volcano(RgbaImage& image)
{
    FillPolygon(image, {{100, HORIZON}, {150, HORIZON - 62}, {168, HORIZON - 62}, {230, HORIZON}},
                Argb(255, 70, 60, 60));
    for (int i = 0; i < 6; ++i)
        FillGlow(image, 160.0f + i * 6.0f, HORIZON - 70.0f - i * 9.0f, 12.0f + i * 3.0f, Argb(150, 200, 200, 200),
                 1.0f);
}

void Temple(RgbaImage& image)
{
    const uint32_t stone = Argb(255, 120, 110, 90);
    for (int i = 0; i < 4; ++i)
        FillRect(image, 150.0f + i * 6, HORIZON - 10.0f - i * 10, 220.0f - i * 6, HORIZON - i * 10.0f, stone);
    FillPolygon(image, {{176, HORIZON - 40}, {185, HORIZON - 62}, {194, HORIZON - 40}}, stone);
}

void Snowfall(RgbaImage& image)
{
    for (int i = 0; i < 90; ++i) {
        const float x = FractalNoise(i * 13.0f, 1.0f, 2.0f, 1, 21) * 256.0f;
        const float y = FractalNoise(i * 17.0f, 5.0f, 2.0f, 1, 22) * PICTURE_HEIGHT;
        FillDisc(image, x, y, 1.2f, Argb(220, 255, 255, 255));
    }
}

// The rain the track's class makes, as its descriptor table has it; null for a dry track.
const RainDef* RainOf(int track)
{
    switch (track) {
    case TRACK_CAMBODIA:
        return &CambodiaDefs::RAIN;
    case TRACK_GERMANY:
        return &GermanyDefs::RAIN;
    default:
        return nullptr;
    }
}

// A low grey ceiling over the track's own sky, heavier towards the top.
void RainClouds(RgbaImage& image, uint32_t seed)
{
    FillVerticalGradient(image, 0, 0, 256, HORIZON, Argb(235, 82, 87, 96), Argb(235, 150, 154, 160));
    for (int i = 0; i < 14; ++i) {
        const float x = FractalNoise(i * 23.0f, 7.0f, 2.0f, 1, seed) * 256.0f;
        const float y = FractalNoise(i * 29.0f, 11.0f, 2.0f, 1, seed + 1) * HORIZON * 0.6f;
        FillGlow(image, x, y, 30.0f + i % 4 * 8.0f, Argb(110, 60, 64, 72), 1.5f);
    }
}

// A streak for every ten drops the track's rain has.
void Rainfall(RgbaImage& image, const RainDef& rain)
{
    for (int i = 0; i < rain.count / 10; ++i) {
        const float x = FractalNoise(i * 13.0f, 2.0f, 2.0f, 1, 31) * 280.0f;
        const float y = FractalNoise(i * 19.0f, 3.0f, 2.0f, 1, 32) * PICTURE_HEIGHT;
        DrawLine(image, x, y, x - 3, y + 9, 0.8f, Argb(120, 200, 210, 230));
    }
}

Landscape StyleOf(int track)
{
    switch (track) {
    case 0: // Finland: lakes and forest in summer
        return {Argb(255, 90, 150, 230),  Argb(255, 200, 225, 250), Argb(255, 70, 110, 90),
                Argb(255, 40, 80, 45),    Argb(255, 80, 140, 60),   Argb(255, 40, 90, 35),
                Argb(255, 150, 130, 100), Argb(255, 200, 190, 160), 30};
    case 1: // Cambodia: jungle under a hazy sky
        return {Argb(255, 150, 170, 170), Argb(255, 230, 220, 190), Argb(255, 80, 110, 80),
                Argb(255, 30, 80, 40),    Argb(255, 60, 120, 40),   Argb(255, 30, 80, 30),
                Argb(255, 170, 120, 80),  Argb(255, 200, 160, 120), 24};
    case 2: // Mexico: desert and mountains
        return {Argb(255, 60, 120, 220), Argb(255, 240, 210, 160), Argb(255, 150, 90, 70),
                Argb(255, 190, 120, 70), Argb(255, 220, 180, 110), Argb(255, 190, 140, 80),
                Argb(255, 70, 70, 75),   Argb(255, 240, 220, 80),  60};
    case 3: // UK: mud and firs under a cool, dry sky
        return {Argb(255, 92, 128, 180), Argb(255, 206, 214, 222), Argb(255, 90, 100, 95),
                Argb(255, 60, 75, 60),   Argb(255, 90, 110, 60),   Argb(255, 80, 60, 40),
                Argb(255, 100, 75, 50),  Argb(255, 130, 100, 70),  20};
    case 4: // Tanzania: savanna at sunset
        return {Argb(255, 220, 110, 50), Argb(255, 250, 210, 120), Argb(255, 150, 90, 70),
                Argb(255, 120, 80, 50),  Argb(255, 200, 160, 80),  Argb(255, 160, 120, 60),
                Argb(255, 170, 110, 60), Argb(255, 210, 160, 100), 18};
    case 5: // USA: city streets
        return {Argb(255, 70, 120, 200),  Argb(255, 190, 210, 230), Argb(255, 120, 130, 150),
                Argb(255, 100, 105, 115), Argb(255, 110, 110, 115), Argb(255, 80, 80, 85),
                Argb(255, 50, 50, 55),    Argb(255, 250, 250, 250), 0};
    case 6: // Germany: a race circuit
        return {Argb(255, 80, 140, 220), Argb(255, 210, 230, 245), Argb(255, 80, 120, 80),
                Argb(255, 60, 110, 55),  Argb(255, 70, 140, 60),   Argb(255, 40, 100, 35),
                Argb(255, 60, 60, 65),   Argb(255, 250, 250, 250), 14};
    case 7: // Egypt: pyramids in the sand
        return {Argb(255, 80, 150, 230),  Argb(255, 250, 230, 180), Argb(255, 220, 190, 130),
                Argb(255, 230, 200, 140), Argb(255, 235, 205, 145), Argb(255, 210, 170, 110),
                Argb(255, 80, 75, 70),    Argb(255, 240, 230, 200), 8};
    case 8: // Hawaii: volcano, sea and palms
        return {Argb(255, 40, 130, 230), Argb(255, 180, 230, 250), Argb(255, 40, 110, 160),
                Argb(255, 50, 130, 70),  Argb(255, 230, 210, 160), Argb(255, 200, 180, 130),
                Argb(255, 70, 70, 75),   Argb(255, 250, 250, 250), 6};
    default: // Finland in winter
        return {Argb(255, 140, 160, 200), Argb(255, 225, 230, 240), Argb(255, 180, 190, 210),
                Argb(255, 215, 220, 230), Argb(255, 245, 248, 255), Argb(255, 215, 225, 240),
                Argb(255, 180, 170, 160), Argb(255, 120, 110, 100), 30};
    }
}

RgbaImage TrackPicture(int track)
{
    const Landscape s = StyleOf(track);
    const RainDef* rain = RainOf(track);
    RgbaImage image(256, 256, Argb(255, 0, 0, 0));
    FillVerticalGradient(image, 0, 0, 256, HORIZON, s.skyTop, s.skyBottom);
    const uint32_t seed = 100u + static_cast<uint32_t>(track) * 7u;
    if (rain != nullptr)
        RainClouds(image, seed + 2);
    if (s.hillHeight > 0.0f) {
        DrawRidge(image, HORIZON, s.hillHeight, 60, seed, s.farHills, PICTURE_HEIGHT);
        DrawRidge(image, HORIZON + 4, s.hillHeight * 0.5f, 30, seed + 1, s.nearHills, PICTURE_HEIGHT);
    }
    switch (track) {
    case 5:
        Skyline(image);
        break;
    case 7:
        Pyramid(image, 70, HORIZON + 2, 50);
        Pyramid(image, 170, HORIZON + 2, 34);
        break;
    case 8:
        FillRect(image, 0, HORIZON - 4, 256, HORIZON + 6, Argb(255, 30, 100, 170));
        Volcano(image);
        break;
    case 1:
        Temple(image);
        break;
    case 6:
        Stands(image);
        break;
    default:
        break;
    }
    FillVerticalGradient(image, 0, HORIZON + 4, 256, PICTURE_HEIGHT, s.groundTop, s.groundBottom);
    DrawRoad(image, 128, HORIZON + 4, PICTURE_HEIGHT, 100, s.road, s.stripe);
    if (track == 6)
        Kerbs(image);
    for (int i = 0; i < 5; ++i) {
        const float side = i % 2 ? 1.0f : -1.0f;
        const float x = 128.0f + side * (150.0f - i * 24.0f);
        const float y = HORIZON + 20.0f + i * 15.0f;
        const float h = 25.0f + i * 12.0f;
        switch (track) {
        case 0:
            if (i % 2)
                Birch(image, x, y, h);
            else
                Fir(image, x, y, h, Argb(255, 20, 70, 40));
            break;
        case 3:
        case 9:
            Fir(image, x, y, h, track == 9 ? Argb(255, 40, 80, 70) : Argb(255, 25, 60, 35));
            break;
        case 1:
        case 7:
        case 8:
            Palm(image, x, y, h);
            break;
        case 2:
            Cactus(image, x, y, h * 0.7f);
            break;
        case 4:
            Acacia(image, x, y, h * 0.8f);
            break;
        default:
            break;
        }
    }
    if (track == 9)
        Snowfall(image);
    if (rain != nullptr)
        Rainfall(image, *rain);
    DrawMopedSilhouette(image, 150, PICTURE_HEIGHT - 8, 0.35f, Argb(255, 20, 15, 20));
    return image;
}

} // namespace

void WriteTrackPictures(DataFolder& folder)
{
    for (int track = 0; track < TRACK_COUNT; ++track)
        WriteTexture(folder, std::string("Graphics\\Textures\\TrackImages\\") + TRACK_DIRECTORIES[track] + ".dds",
                     TrackPicture(track), DdsFormat::DXT1, true);
}

} // namespace datagen
