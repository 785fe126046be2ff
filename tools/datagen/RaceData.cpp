// The race display, effect textures, lens flares and best-time tables.

#include "datagen/Painter.h"
#include "datagen/SampleData.h"
#include "datagen/SampleDataList.h"
#include "datagen/TextPainter.h"
#include "datagen/writers/RecordsWriter.h"

#include <cmath>
#include <string>

namespace datagen {

namespace {

constexpr float PI = 3.14159265f;
// The needle points at the dial's zero with no turn; the dial sweeps 270 degrees clockwise from there.
constexpr float DIAL_ZERO = -0.75f * PI; // from straight up, clockwise positive
constexpr float DIAL_SWEEP = 1.5f * PI;

Point2 OnDial(float cx, float cy, float radius, float angle)
{
    return {cx + radius * std::sin(angle), cy - radius * std::cos(angle)};
}

void WriteSpeedMeter(DataFolder& folder, TextPainter& bold)
{
    RgbaImage dial(256, 256, 0);
    const float c = 128.0f;
    FillDisc(dial, c, c, 124, Argb(255, 200, 200, 210));
    FillDisc(dial, c, c, 118, Argb(230, 15, 18, 30));
    FillRing(dial, c, c, 96, 104, Argb(255, 60, 70, 100));
    const int marks = 40;
    for (int i = 0; i <= marks; ++i) {
        const float a = DIAL_ZERO + DIAL_SWEEP * i / marks;
        const bool major = i % 5 == 0;
        const Point2 outer = OnDial(c, c, 112, a), inner = OnDial(c, c, major ? 92 : 102, a);
        const uint32_t color = i > marks * 8 / 10 ? Argb(255, 240, 60, 50) : Argb(255, 240, 240, 240);
        DrawLine(dial, inner.x, inner.y, outer.x, outer.y, major ? 4.0f : 2.0f, color);
        if (major) {
            const Point2 label = OnDial(c, c, 74, a);
            bold.Draw(dial, std::to_string(i / 5 * 10), 18, label.x, label.y + 7, Argb(255, 255, 255, 255), true);
        }
    }
    bold.Draw(dial, "km/h", 16, c, c + 58, Argb(255, 180, 190, 220), true);
    WriteTexture(folder, "Graphics\\Textures\\SpeedMeter.dds", dial, DdsFormat::A8R8G8B8, false);

    RgbaImage needle(256, 256, 0);
    const Point2 tip = OnDial(c, c, 106, DIAL_ZERO), tail = OnDial(c, c, -20, DIAL_ZERO);
    DrawLine(needle, tail.x, tail.y, tip.x, tip.y, 6, Argb(255, 230, 30, 20));
    DrawLine(needle, tail.x, tail.y, tip.x, tip.y, 2, Argb(255, 255, 160, 120));
    FillDisc(needle, c, c, 12, Argb(255, 40, 40, 45));
    FillDisc(needle, c, c, 6, Argb(255, 170, 170, 180));
    WriteTexture(folder, "Graphics\\Textures\\SpeedStick.dds", needle, DdsFormat::A8R8G8B8, false);
}

// Large outlined lettering in the middle of a transparent picture.
RgbaImage Numeral(TextPainter& bold, const std::string& text, uint32_t width, uint32_t height, uint32_t size,
                  uint32_t fill)
{
    RgbaImage image(width, height, 0);
    const float x = width * 0.5f, baseline = height * 0.5f + size * 0.36f;
    const float o = size / 24.0f;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            bold.Draw(image, text, size, x + dx * o, baseline + dy * o, Argb(255, 10, 10, 20), true);
    bold.Draw(image, text, size, x, baseline, fill, true);
    return image;
}

void WriteCountDown(DataFolder& folder, TextPainter& bold)
{
    const char* names[] = {"one", "two", "three", "four", "five"};
    for (int i = 0; i < 5; ++i)
        WriteTexture(folder, std::string("Graphics\\Textures\\CountDown\\") + names[i] + ".dds",
                     Numeral(bold, std::to_string(i + 1), 128, 128, 96, Argb(255, 255, 210, 40)), DdsFormat::A8R8G8B8,
                     false);
    WriteTexture(folder, "Graphics\\Textures\\CountDown\\go.dds",
                 Numeral(bold, "GO!", 256, 128, 92, Argb(255, 80, 230, 60)), DdsFormat::A8R8G8B8, false);
}

void WriteSmallHud(DataFolder& folder)
{
    RgbaImage marker(16, 16, 0x00FFFFFFu);
    FillDisc(marker, 8, 8, 6.5f, Argb(255, 255, 255, 255));
    WriteTexture(folder, "Graphics\\Textures\\MapSysPlayer.dds", marker, DdsFormat::A8R8G8B8, false);

    RgbaImage boost(128, 16, 0);
    FillRect(boost, 0, 0, 128, 16, Argb(255, 220, 220, 230));
    FillRect(boost, 2, 2, 126, 14, Argb(255, 20, 20, 30));
    FillRect(boost, 4, 5, 124, 11, Argb(255, 60, 10, 10));
    WriteTexture(folder, "Graphics\\Textures\\BoostBase.dds", boost, DdsFormat::A8R8G8B8, false);
}

void WriteEffects(DataFolder& folder)
{
    // Exhaust smoke is added by its brightness: a grey puff on black.
    RgbaImage smoke(64, 64, Argb(255, 0, 0, 0));
    for (uint32_t y = 0; y < 64; ++y)
        for (uint32_t x = 0; x < 64; ++x) {
            const float d = std::hypot(x + 0.5f - 32.0f, y + 0.5f - 32.0f) / 30.0f;
            const float puff = std::max(0.0f, 1.0f - d) * (0.6f + 0.4f * FractalNoise(x, y, 10, 3, 41));
            const uint32_t v = static_cast<uint32_t>(std::min(255.0f, puff * 230.0f));
            smoke.At(x, y) = Argb(255, v, v, v);
        }
    WriteTexture(folder, "Graphics\\Textures\\Smoke.dds", smoke, DdsFormat::DXT1, true);

    RgbaImage backLight(64, 64, 0x00FF0000u);
    FillGlow(backLight, 32, 32, 31, Argb(255, 255, 40, 20), 1.6f);
    FillDisc(backLight, 32, 32, 5, Argb(255, 255, 200, 180));
    WriteTexture(folder, "Graphics\\Textures\\BackLight.dds", backLight, DdsFormat::A8R8G8B8, false);

    // The streak fills the drop's narrow quad: brightest down the middle, fading at both ends.
    RgbaImage rain(16, 64, 0x00DCE6FFu);
    for (uint32_t y = 0; y < 64; ++y)
        for (uint32_t x = 0; x < 16; ++x) {
            const float across = 1.0f - std::fabs((x + 0.5f) / 8.0f - 1.0f);
            const float along = std::sin((y + 0.5f) / 64.0f * 3.14159f);
            rain.At(x, y) = Argb(static_cast<uint32_t>(230.0f * std::sqrt(across) * along), 220, 230, 255);
        }
    WriteTexture(folder, "Graphics\\Textures\\Rain.dds", rain, DdsFormat::A8R8G8B8, false);

    // Chequered finish pole with a red band.
    RgbaImage pole(128, 128, Argb(255, 255, 255, 255));
    for (uint32_t y = 0; y < 128; ++y)
        for (uint32_t x = 0; x < 128; ++x)
            if (((x / 16) + (y / 16)) % 2)
                pole.At(x, y) = Argb(255, 20, 20, 20);
    FillRect(pole, 0, 56, 128, 72, Argb(255, 210, 30, 30));
    WriteTexture(folder, "Graphics\\Textures\\FinishPole.dds", pole, DdsFormat::DXT1, true);
}

void WriteFlares(DataFolder& folder)
{
    const std::string base = "Graphics\\Textures\\LensFlare\\Flare";
    // 0: the sun, whose silhouette comes from the alpha.
    RgbaImage sun(128, 128, 0x00FFFFFFu);
    FillGlow(sun, 64, 64, 63, Argb(200, 255, 240, 200), 2.5f);
    FillDisc(sun, 64, 64, 22, Argb(255, 255, 255, 240));
    WriteTexture(folder, base + "0.dds", sun, DdsFormat::A8R8G8B8, false);

    RgbaImage ring(128, 128, 0x00FFFFFFu);
    FillRing(ring, 64, 64, 46, 58, Argb(120, 160, 200, 255));
    FillGlow(ring, 64, 64, 60, Argb(40, 160, 200, 255), 1.0f);
    WriteTexture(folder, base + "1.dds", ring, DdsFormat::A8R8G8B8, false);

    RgbaImage glow(128, 128, 0x00FFFFFFu);
    FillGlow(glow, 64, 64, 62, Argb(180, 255, 200, 120), 1.5f);
    WriteTexture(folder, base + "2.dds", glow, DdsFormat::A8R8G8B8, false);

    RgbaImage hexagon(128, 128, 0x00FFFFFFu);
    std::vector<Point2> corners;
    for (int i = 0; i < 6; ++i)
        corners.push_back({64 + 54 * std::cos(i * PI / 3), 64 + 54 * std::sin(i * PI / 3)});
    FillPolygon(hexagon, corners, Argb(90, 140, 255, 170));
    WriteTexture(folder, base + "3.dds", hexagon, DdsFormat::A8R8G8B8, false);

    RgbaImage dot(128, 128, 0x00FFFFFFu);
    FillDisc(dot, 64, 64, 40, Argb(110, 255, 140, 200));
    FillGlow(dot, 64, 64, 62, Argb(60, 255, 140, 200), 1.0f);
    WriteTexture(folder, base + "4.dds", dot, DdsFormat::A8R8G8B8, false);

    RgbaImage star(128, 128, 0x00FFFFFFu);
    for (int i = 0; i < 8; ++i) {
        const float a = i * PI / 4;
        DrawLine(star, 64, 64, 64 + 62 * std::cos(a), 64 + 62 * std::sin(a), i % 2 ? 2.0f : 4.0f,
                 Argb(140, 255, 255, 230));
    }
    FillGlow(star, 64, 64, 30, Argb(200, 255, 255, 230), 1.5f);
    WriteTexture(folder, base + "5.dds", star, DdsFormat::A8R8G8B8, false);
}

// Written only where the player has none yet (DataFolder::Write).
void WriteRecordTables(DataFolder& folder)
{
    const char* names[] = {"Aino", "Mikko", "Sanna", "Jussi", "Lena", "Tomas", "Rosa", "Omar"};
    for (int track = 0; track < TRACK_COUNT; ++track) {
        std::vector<RecordRow> rows;
        // Times grow down the table, as the game keeps it.
        uint32_t time = 95000u + static_cast<uint32_t>(track) * 7310u;
        for (int i = 0; i < 5; ++i) {
            rows.push_back({names[(track + i * 3) % 8], time});
            time += 2150u + static_cast<uint32_t>(i * 977 + track * 131);
        }
        folder.Write(std::string("Data\\Tracks\\") + TRACK_DIRECTORIES[track] + "\\Records.bt", EncodeRecords(rows));
    }
}

} // namespace

void WriteRaceData(DataFolder& folder)
{
    TextPainter bold;
    std::string error;
    if (!bold.Open(BOLD_FONT, error)) {
        folder.Fail(error);
        return;
    }
    WriteSpeedMeter(folder, bold);
    WriteCountDown(folder, bold);
    WriteSmallHud(folder);
    WriteEffects(folder);
    WriteFlares(folder);
    WriteRecordTables(folder);
}

} // namespace datagen
