// Settings, fonts and the front end's pictures.

#include "datagen/Painter.h"
#include "datagen/SampleData.h"
#include "datagen/Scenery.h"
#include "datagen/TextPainter.h"
#include "datagen/writers/FontWriter.h"
#include "datagen/writers/GameConfigWriter.h"
#include "datagen/writers/SoundConfigWriter.h"

#include <algorithm>
#include <cmath>

namespace datagen {

namespace {

// Written only where the player has none yet (DataFolder::Write).
void WriteSettings(DataFolder& folder)
{
    folder.Write("Game.cfg", EncodeGameConfig(GameConfigValues{}));
    folder.Write("Data\\Sound.cfg", EncodeSoundConfig(1.0f, 0.9f));
}

// Recolours a white coverage sheet: `top` at the top of each cell row, `bottom` at its foot.
void TintSheet(RgbaImage& sheet, uint32_t cellSize, uint32_t top, uint32_t bottom)
{
    for (uint32_t y = 0; y < sheet.height; ++y) {
        const float t = static_cast<float>((y + cellSize - 1) % cellSize) / static_cast<float>(cellSize);
        const uint32_t rgb = MixColor(top, bottom, t) & 0x00FFFFFFu;
        for (uint32_t x = 0; x < sheet.width; ++x) {
            uint32_t& p = sheet.At(x, y);
            p = (p & 0xFF000000u) | rgb;
        }
    }
}

// A dark rim round every glyph of a white coverage sheet, kept inside the
// glyph's own cell, so that white text stays readable on a light picture.
void OutlineSheet(RgbaImage& sheet, uint32_t cellSize)
{
    constexpr int RADIUS = 2;
    constexpr uint32_t RIM = Argb(255, 16, 16, 24);
    const RgbaImage glyphs = sheet;
    const auto cell = [cellSize](int at) { return at < 1 ? -1 : (at - 1) / int(cellSize); };
    for (int y = 0; y < int(sheet.height); ++y) {
        for (int x = 0; x < int(sheet.width); ++x) {
            const uint32_t own = glyphs.At(uint32_t(x), uint32_t(y)) >> 24;
            uint32_t rim = 0;
            for (int dy = -RADIUS; dy <= RADIUS; ++dy) {
                for (int dx = -RADIUS; dx <= RADIUS; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    if (dx * dx + dy * dy > RADIUS * RADIUS || nx < 0 || ny < 0 || nx >= int(sheet.width) ||
                        ny >= int(sheet.height) || cell(nx) != cell(x) || cell(ny) != cell(y))
                        continue;
                    rim = std::max(rim, glyphs.At(uint32_t(nx), uint32_t(ny)) >> 24);
                }
            }
            if (rim <= own)
                continue;
            const uint32_t rgb = MixColor(RIM, 0xFFFFFFFFu, float(own) / float(rim)) & 0x00FFFFFFu;
            sheet.At(uint32_t(x), uint32_t(y)) = rim << 24 | rgb;
        }
    }
}

void WriteFonts(DataFolder& folder)
{
    FontSheet small;
    std::string error;
    if (!RenderFontSheet(REGULAR_FONT, 512, small, error)) {
        folder.Fail(error);
        return;
    }
    OutlineSheet(small.image, 512 / 16);
    WriteTexture(folder, "Graphics\\Textures\\Font.dds", small.image, DdsFormat::A8R8G8B8, false);
    folder.Write("Data\\Font.dat", EncodeFontWidths(small.advances));

    FontSheet menu;
    if (!RenderFontSheet(BOLD_FONT, 1024, menu, error)) {
        folder.Fail(error);
        return;
    }
    folder.Write("Data\\MenuFont.dat", EncodeFontWidths(menu.advances));
    RgbaImage up = menu.image;
    TintSheet(up, 64, Argb(255, 255, 255, 255), Argb(255, 170, 190, 215));
    WriteTexture(folder, "Graphics\\Textures\\MenuFontUp.dds", up, DdsFormat::A8R8G8B8, false);
    RgbaImage down = menu.image;
    TintSheet(down, 64, Argb(255, 255, 236, 120), Argb(255, 255, 140, 20));
    WriteTexture(folder, "Graphics\\Textures\\MenuFontDown.dds", down, DdsFormat::A8R8G8B8, false);
}

void WriteTitle(DataFolder& folder, TextPainter& bold, TextPainter& regular)
{
    RgbaImage image(1024, 1024, Argb(255, 0, 0, 0));
    const float horizon = 470.0f;
    FillVerticalGradient(image, 0, 0, 1024, horizon, Argb(255, 40, 30, 90), Argb(255, 250, 140, 60));
    FillGlow(image, 700, horizon - 40, 260, Argb(200, 255, 220, 120));
    FillDisc(image, 700, horizon - 40, 60, Argb(255, 255, 235, 170));
    DrawRidge(image, horizon, 120, 180, 11, Argb(255, 90, 60, 90), 768);
    DrawRidge(image, horizon + 40, 70, 90, 12, Argb(255, 50, 40, 60), 768);
    FillVerticalGradient(image, 0, horizon + 40, 1024, 768, Argb(255, 40, 70, 40), Argb(255, 20, 40, 20));
    DrawRoad(image, 520, horizon + 40, 768, 420, Argb(255, 55, 55, 60), Argb(255, 240, 230, 200));
    DrawMopedSilhouette(image, 300, 700, 1.6f, Argb(255, 15, 10, 20));
    DrawGameName(bold, image, 512, 220, 150);
    regular.Draw(image, "M O P E D   R A C I N G", 34, 512, 280, Argb(255, 255, 245, 220), true);
    WriteTexture(folder, "Graphics\\Textures\\Title.dds", image, DdsFormat::DXT1, true);
}

void WriteBackground(DataFolder& folder, TextPainter& bold)
{
    RgbaImage image(1024, 1024, Argb(255, 0, 0, 0));
    FillVerticalGradient(image, 0, 0, 1024, 768, Argb(255, 16, 28, 64), Argb(255, 6, 10, 24));
    for (int i = 0; i < 14; ++i) {
        const float x = -300.0f + i * 110.0f;
        DrawLine(image, x, 768, x + 500, 0, 26, Argb(24, 120, 170, 255));
    }
    for (uint32_t y = 0; y < 768; y += 2)
        for (uint32_t x = 0; x < 1024; x += 2)
            BlendPixel(image, static_cast<int>(x), static_cast<int>(y), Argb(255, 0, 0, 0),
                       0.25f * FractalNoise(static_cast<float>(x), static_cast<float>(y), 64, 3, 5));
    bold.Draw(image, "VANTREL", 220, 512, 620, Argb(20, 255, 255, 255), true);
    WriteTexture(folder, "Graphics\\Textures\\Background.dds", image, DdsFormat::DXT1, true);
}

void WritePanels(DataFolder& folder, TextPainter& bold)
{
    RgbaImage loading(256, 128, 0);
    DrawPanel(loading, 1, 1, 255, 127, 16, Argb(235, 20, 30, 60), Argb(255, 230, 170, 40));
    FillVerticalGradient(loading, 12, 12, 244, 40, Argb(255, 60, 80, 140), Argb(255, 25, 35, 70));
    bold.Draw(loading, "VANTREL", 20, 128, 33, Argb(255, 255, 210, 60), true);
    WriteTexture(folder, "Graphics\\Textures\\LoadingBase.dds", loading, DdsFormat::A8R8G8B8, false);

    RgbaImage menu(256, 256, 0);
    DrawPanel(menu, 1, 1, 255, 255, 20, Argb(255, 18, 26, 52), Argb(255, 230, 170, 40));
    FillVerticalGradient(menu, 14, 14, 242, 52, Argb(255, 70, 90, 150), Argb(255, 28, 38, 80));
    bold.Draw(menu, "PAUSE", 26, 128, 43, Argb(255, 255, 220, 90), true);
    WriteTexture(folder, "Graphics\\Textures\\InGameMenu.dds", menu, DdsFormat::A8R8G8B8, false);
}

void WriteLogos(DataFolder& folder, TextPainter& bold, TextPainter& regular)
{
    // The maker's logo: an emblem over the name on black.
    RgbaImage maker(512, 512, Argb(255, 0, 0, 0));
    FillGlow(maker, 256, 210, 200, Argb(120, 40, 90, 200));
    FillRing(maker, 256, 210, 100, 118, Argb(255, 200, 220, 255));
    FillPolygon(maker,
                {{196, 270},
                 {196, 150},
                 {256, 215},
                 {316, 150},
                 {316, 270},
                 {292, 270},
                 {292, 205},
                 {256, 245},
                 {220, 205},
                 {220, 270}},
                Argb(255, 240, 245, 255));
    bold.Draw(maker, "MORVANE", 64, 256, 410, Argb(255, 235, 240, 255), true);
    regular.Draw(maker, "interactive", 28, 256, 450, Argb(255, 140, 170, 230), true);
    WriteTexture(folder, "Graphics\\Textures\\Morvane.dds", maker, DdsFormat::DXT1, true);

    // The publisher's logo, drawn small over the menus: transparent surround.
    RgbaImage publisher(256, 64, 0);
    FillDisc(publisher, 30, 32, 24, Argb(255, 220, 40, 40));
    FillDisc(publisher, 30, 32, 12, Argb(255, 255, 255, 255));
    bold.Draw(publisher, "PELLORA", 36, 62, 45, Argb(255, 255, 255, 255));
    WriteTexture(folder, "Graphics\\Textures\\PelloraLogo.dds", publisher, DdsFormat::A8R8G8B8, false);
}

void WriteHeaders(DataFolder& folder, TextPainter& bold)
{
    RgbaImage image(1024, 256, 0);
    // The header bar: rows 0..220.
    FillVerticalGradient(image, 0, 0, 1024, 221, Argb(235, 30, 50, 110), Argb(200, 10, 20, 50));
    FillRect(image, 0, 200, 1024, 208, Argb(255, 230, 170, 40));
    for (int i = 0; i < 6; ++i)
        DrawLine(image, 700.0f + i * 50.0f, 200, 780.0f + i * 50.0f, 0, 18, Argb(60, 255, 255, 255));
    DrawGameName(bold, image, 360, 150, 120);
    // The strip: columns 0..432 of rows 226..256.
    FillVerticalGradient(image, 0, 226, 433, 256, Argb(230, 230, 170, 40), Argb(230, 150, 90, 10));
    FillRect(image, 0, 226, 433, 228, Argb(255, 255, 230, 140));
    WriteTexture(folder, "Graphics\\Textures\\Headers.dds", image, DdsFormat::A8R8G8B8, false);
}

} // namespace

void WriteFrontEndData(DataFolder& folder)
{
    WriteSettings(folder);
    WriteFonts(folder);
    TextPainter bold, regular;
    std::string error;
    if (!bold.Open(BOLD_FONT, error) || !regular.Open(REGULAR_FONT, error)) {
        folder.Fail(error);
        return;
    }
    WriteTitle(folder, bold, regular);
    WriteBackground(folder, bold);
    WritePanels(folder, bold);
    WriteLogos(folder, bold, regular);
    WriteHeaders(folder, bold);
}

} // namespace datagen
