#include "RenderTestDevice.h"

#include "backend/gpu/GpuDevice.h"
#include "datagen/writers/DdsWriter.h"
#include "datagen/writers/FileWriter.h"
#include "datagen/writers/FontWriter.h"
#include "engine/platform/BitmapFont.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"

#include <algorithm>

using namespace backend;

namespace {

constexpr const char* DEJAVU = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

class BitmapFontTest : public RenderDeviceTest {
protected:
    // A 256 sheet (cells of 16) whose cells for `solid` are opaque white, and a width
    // table with the given advances; glyphs of 8 x 8 units.
    bool LoadBlockFont(BitmapFont& font, const std::vector<unsigned char>& solid,
                       const std::vector<std::pair<unsigned char, float>>& advances)
    {
        datagen::RgbaImage sheet(256, 256, 0x00FFFFFFu);
        for (unsigned char c : solid)
            for (uint32_t y = 1 + (c / 16) * 16u; y < 1 + (c / 16 + 1) * 16u && y < 256; ++y)
                for (uint32_t x = 1 + (c % 16) * 16u; x < 1 + (c % 16 + 1) * 16u && x < 256; ++x)
                    sheet.At(x, y) = 0xFFFFFFFFu;
        float table[256] = {};
        for (const auto& [c, width] : advances)
            table[c] = width;
        const std::string sheetPath = TempPath("Blocks.dds");
        const std::string datPath = TempPath("Blocks.dat");
        if (!datagen::WriteFileBytes(sheetPath, datagen::EncodeDds(sheet, datagen::DdsFormat::A8R8G8B8, false)) ||
            !datagen::WriteFileBytes(datPath, datagen::EncodeFontWidths(table)))
            return false;
        return font.Load(sheetPath.c_str(), datPath.c_str(), 8.0f, 8.0f, 256, false);
    }

    void Draw(BitmapFont& font, const char* text, float x, float y, float scale, int align)
    {
        ClearBackBuffer(0xFF000000u);
        g_RenderDevice.device->BeginScene();
        font.DrawText(text, x, y, scale, 0.0f, 0xFFFFFFFFu, align);
        g_RenderDevice.device->EndScene();
    }

    // The lit columns of one pixel row, as [first, last] runs.
    std::vector<std::pair<int, int>> LitRuns(const std::vector<uint32_t>& pixels, int y)
    {
        std::vector<std::pair<int, int>> runs;
        for (int x = 0; x < 800; ++x) {
            if ((PixelAt(pixels, x, y) & 0xFF) < 0x80)
                continue;
            if (!runs.empty() && runs.back().second == x - 1)
                runs.back().second = x;
            else
                runs.push_back({x, x});
        }
        return runs;
    }
};

} // namespace

TEST(FontSheet, GlyphsStayInsideTheirCellsAndBlankCellsStayEmpty)
{
    datagen::FontSheet sheet;
    std::string error;
    ASSERT_TRUE(datagen::RenderFontSheet(DEJAVU, 512, sheet, error)) << error;
    ASSERT_EQ(sheet.image.width, 512u);
    const auto coverageIn = [&](unsigned c, int fromX, int toX, int fromY, int toY) {
        int lit = 0;
        for (int y = fromY; y < toY; ++y)
            for (int x = fromX; x < toX; ++x) {
                const unsigned px = 1 + (c % 16) * 32 + unsigned(x), py = 1 + (c / 16) * 32 + unsigned(y);
                if (px < 512 && py < 512 && (sheet.image.At(px, py) >> 24) != 0)
                    ++lit;
            }
        return lit;
    };
    EXPECT_GT(coverageIn('A', 0, 32, 0, 32), 20);
    EXPECT_GT(coverageIn(0xE9, 0, 32, 0, 32), 20);
    EXPECT_EQ(coverageIn('\n', 0, 32, 0, 32), 0);
    EXPECT_EQ(coverageIn(' ', 0, 32, 0, 32), 0);
    for (unsigned c = 0; c < 256; ++c) {
        EXPECT_EQ(coverageIn(c, 30, 32, 0, 32), 0) << c;
        EXPECT_EQ(coverageIn(c, 0, 32, 30, 32), 0) << c;
    }
    EXPECT_GT(sheet.advances['W'], sheet.advances['i']);
    EXPECT_GT(sheet.advances[' '], 0.0f);
    EXPECT_EQ(sheet.advances['\n'], 0.0f);

    EXPECT_FALSE(datagen::RenderFontSheet("/nonexistent/font.ttf", 512, sheet, error));
    EXPECT_FALSE(error.empty());
}

TEST_F(BitmapFontTest, GlyphCellsStartOneTexelInAndAreInsetByHalfATexel)
{
    ASSERT_TRUE(OpenDevice());
    datagen::FontSheet sheet;
    std::string error;
    ASSERT_TRUE(datagen::RenderFontSheet(DEJAVU, 512, sheet, error)) << error;
    const std::string sheetPath = TempPath("Font.dds"), datPath = TempPath("Font.dat");
    ASSERT_TRUE(
        datagen::WriteFileBytes(sheetPath, datagen::EncodeDds(sheet.image, datagen::DdsFormat::A8R8G8B8, true)));
    ASSERT_TRUE(datagen::WriteFileBytes(datPath, datagen::EncodeFontWidths(sheet.advances)));

    BitmapFont font;
    ASSERT_TRUE(font.Load(sheetPath.c_str(), datPath.c_str(), 32.0f, 32.0f, 512, false));
    EXPECT_FLOAT_EQ(font.glyphUV['A'][0], 33.5f / 512);
    EXPECT_FLOAT_EQ(font.glyphUV['A'][1], 129.5f / 512);
    EXPECT_FLOAT_EQ(font.glyphUV['A'][2], 64.5f / 512);
    EXPECT_FLOAT_EQ(font.glyphUV['A'][3], 160.5f / 512);
    EXPECT_FLOAT_EQ(font.glyphUV[255][2], 512.5f / 512);
    EXPECT_EQ(font.advance['W'], sheet.advances['W']);
    font.Release();
}

TEST_F(BitmapFontTest, DrawTextAdvancesByTheWidthTable)
{
    ASSERT_TRUE(OpenDevice());
    BitmapFont font;
    ASSERT_TRUE(LoadBlockFont(font, {'A', 'B', 0xE9}, {{'A', 10.0f}, {'B', 20.0f}, {0xE9, 30.0f}}));

    Draw(font, "AB", 100.0f, 100.0f, 1.0f, 0);
    std::vector<uint32_t> pixels = ReadBackBuffer();
    std::vector<std::pair<int, int>> runs = LitRuns(pixels, 104);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0], std::make_pair(100, 107));
    EXPECT_EQ(runs[1], std::make_pair(110, 117));
    EXPECT_TRUE(LitRuns(pixels, 99).empty());
    EXPECT_TRUE(LitRuns(pixels, 108).empty());
    EXPECT_EQ(LitRuns(pixels, 100).size(), 2u);
    EXPECT_EQ(LitRuns(pixels, 107).size(), 2u);

    // A byte above 127 is a character of its own, with its own advance.
    Draw(font,
         "\xE9"
         "A",
         100.0f, 100.0f, 1.0f, 0);
    runs = LitRuns(ReadBackBuffer(), 104);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0], std::make_pair(100, 107));
    EXPECT_EQ(runs[1], std::make_pair(130, 137));

    // Scale 2 doubles glyphs and advances.
    Draw(font, "AB", 100.0f, 100.0f, 2.0f, 0);
    runs = LitRuns(ReadBackBuffer(), 108);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0], std::make_pair(100, 115));
    EXPECT_EQ(runs[1], std::make_pair(120, 135));
    font.Release();
}

TEST_F(BitmapFontTest, CentredLinesEachCentreOnTheirOwnWidth)
{
    ASSERT_TRUE(OpenDevice());
    BitmapFont font;
    ASSERT_TRUE(LoadBlockFont(font, {'A', 'B'}, {{'A', 10.0f}, {'B', 20.0f}}));
    EXPECT_FLOAT_EQ(font.GetLineWidth("AB\nBB", 1.0f, 0.0f), 30.0f);
    EXPECT_FLOAT_EQ(font.GetLineWidth("AB\nBB", 2.0f, 1.0f), 64.0f);
    EXPECT_FLOAT_EQ(font.GetLineWidth("", 1.0f, 5.0f), 0.0f);
    EXPECT_FLOAT_EQ(font.AlignX(100.0f, 30.0f, 0), 100.0f);
    EXPECT_FLOAT_EQ(font.AlignX(100.0f, 30.0f, 1), 85.0f);
    EXPECT_FLOAT_EQ(font.AlignX(100.0f, 30.0f, 2), 70.0f);
    EXPECT_FLOAT_EQ(font.AlignX(100.0f, 30.0f, 3), 0.0f);

    g_RenderDevice.device->ResetStats();
    Draw(font, "AB\nBBBB", 400.0f, 100.0f, 1.0f, 1);
    // Every byte is drawn, the line feed's (empty) cell too.
    EXPECT_EQ(g_RenderDevice.device->GetStats().drawCalls, 7u);
    const std::vector<uint32_t> pixels = ReadBackBuffer();
    std::vector<std::pair<int, int>> first = LitRuns(pixels, 104);
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[0].first, 385);
    EXPECT_EQ(first[1].first, 395);
    std::vector<std::pair<int, int>> second = LitRuns(pixels, 112);
    ASSERT_EQ(second.size(), 4u);
    EXPECT_EQ(second[0].first, 360);
    EXPECT_EQ(second[3].first, 420);

    // At scale 2 the second line starts two glyph heights lower, centred on its doubled width.
    Draw(font, "AB\nBBBB", 400.0f, 100.0f, 2.0f, 1);
    const std::vector<uint32_t> scaled = ReadBackBuffer();
    EXPECT_EQ(LitRuns(scaled, 115).size(), 2u);
    second = LitRuns(scaled, 116);
    ASSERT_EQ(second.size(), 4u);
    EXPECT_EQ(second[0].first, 320);
    EXPECT_EQ(LitRuns(scaled, 131).size(), 4u);
    EXPECT_TRUE(LitRuns(scaled, 132).empty());

    // Right-aligned: the line ends at x.
    Draw(font, "AB", 400.0f, 100.0f, 1.0f, 2);
    first = LitRuns(ReadBackBuffer(), 104);
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[0].first, 370);
    font.Release();
}

TEST_F(BitmapFontTest, DrawTextPutsChangedStatesBack)
{
    ASSERT_TRUE(OpenDevice());
    BitmapFont font;
    ASSERT_TRUE(LoadBlockFont(font, {'A'}, {{'A', 10.0f}}));
    GpuDevice* device = g_RenderDevice.device;
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    Draw(font, "AAA", 10.0f, 10.0f, 1.0f, 0);
    EXPECT_EQ(RenderState(D3DRS_SRCBLEND), uint32_t(D3DBLEND_ONE));
    EXPECT_EQ(RenderState(D3DRS_DESTBLEND), uint32_t(D3DBLEND_ZERO));
    EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), 0u);
    EXPECT_EQ(StageState(0, D3DTSS_ALPHAOP), uint32_t(D3DTOP_SELECTARG1));
    EXPECT_EQ(StageState(0, D3DTSS_COLOROP), uint32_t(D3DTOP_SELECTARG1));
    EXPECT_EQ(RenderState(D3DRS_LIGHTING), 1u);
    EXPECT_EQ(RenderState(D3DRS_ZENABLE), 1u);
    EXPECT_EQ(g_RenderDevice.currentVertexShader, 0x142u);

    // A colour-only font leaves the alpha operation alone.
    font.colourOnly = true;
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    g_RenderDevice.savedTextureStageStates[0][D3DTSS_ALPHAOP] = 0x55;
    Draw(font, "A", 10.0f, 10.0f, 1.0f, 0);
    EXPECT_EQ(g_RenderDevice.savedTextureStageStates[0][D3DTSS_ALPHAOP], 0x55u);
    EXPECT_EQ(StageState(0, D3DTSS_ALPHAOP), uint32_t(D3DTOP_DISABLE));

    // Empty text touches nothing.
    device->ResetStats();
    font.DrawText("", 0, 0, 1, 0, 0xFFFFFFFFu, 0);
    EXPECT_EQ(device->GetStats().drawCalls, 0u);
    EXPECT_EQ(device->GetStats().setRenderStateCalls, 0u);
    font.Release();
}

TEST_F(BitmapFontTest, ShortOrMissingDatFileFails)
{
    ASSERT_TRUE(OpenDevice());
    BitmapFont font;
    ASSERT_TRUE(LoadBlockFont(font, {'A'}, {{'A', 10.0f}}));
    font.Release();

    float table[256] = {};
    std::vector<uint8_t> bytes = datagen::EncodeFontWidths(table);
    bytes.resize(1023);
    const std::string shortPath = TempPath("Short.dat");
    ASSERT_TRUE(datagen::WriteFileBytes(shortPath, bytes));
    const std::string sheetPath = TempPath("Blocks.dds");

    BitmapFont broken;
    EXPECT_FALSE(broken.Load(sheetPath.c_str(), shortPath.c_str(), 8, 8, 256, false));
    EXPECT_EQ(g_LastError, "Error reading bitmap font DAT file!");
    broken.Release();

    g_LastError.clear();
    EXPECT_FALSE(broken.Load(sheetPath.c_str(), TempPath("Missing.dat").c_str(), 8, 8, 256, false));
    EXPECT_EQ(g_LastError, "Error loading bitmap font DAT file!");
    broken.Release();

    g_LastError.clear();
    EXPECT_FALSE(broken.Load(TempPath("Missing.dds").c_str(), shortPath.c_str(), 8, 8, 256, false));
    EXPECT_EQ(g_LastError, "Error loading a texture!");
    broken.Release();
}

TEST_F(BitmapFontTest, ReleaseAndRestoreKeepTheFontDrawing)
{
    ASSERT_TRUE(OpenDevice());
    BitmapFont font;
    ASSERT_TRUE(LoadBlockFont(font, {'A'}, {{'A', 10.0f}}));
    {
        LogCapture log;
        font.Release();
        ASSERT_TRUE(font.Restore());
        const std::string text = log.text.str();
        EXPECT_EQ(text.rfind("\nReleasing bitmap font...", 0), 0u) << text;
        EXPECT_NE(text.find("\nRestoring bitmap font...\nRestoring vertex image...\nRestoring texture"),
                  std::string::npos)
            << text;
    }
    Draw(font, "AA", 100.0f, 100.0f, 1.0f, 0);
    EXPECT_EQ(LitRuns(ReadBackBuffer(), 104).size(), 2u);
    font.Release();
}

TEST_F(BitmapFontTest, SampleFontsLoadByGamePathAndDraw)
{
    ASSERT_TRUE(OpenDevice());
    BitmapFont font, menuFont;
    ASSERT_TRUE(font.Load("Graphics\\Textures\\Font.dds", "Data\\Font.dat", 32.0f, 32.0f, 512, false)) << g_LastError;
    ASSERT_TRUE(menuFont.Load("Graphics\\Textures\\MenuFontUp.dds", "Data\\MenuFont.dat", 63.0f, 63.0f, 1024, false))
        << g_LastError;
    // The advances fit the glyph boxes they were drawn for.
    for (int c = 0; c < 256; ++c) {
        EXPECT_GE(font.advance[c], 0.0f);
        EXPECT_LE(font.advance[c], 32.0f);
        EXPECT_LE(menuFont.advance[c], 63.0f);
    }
    EXPECT_GT(font.advance['M'], font.advance['i']);

    const char* title = "Press Enter to Start";
    const float width = font.GetLineWidth(title, 0.65f, 0.0f);
    EXPECT_GT(width, 100.0f);
    EXPECT_LT(width, 400.0f);
    Draw(font, title, 400.0f, 292.0f, 0.65f, 1);
    const std::vector<uint32_t> pixels = ReadBackBuffer();
    int lit = 0, left = 800, right = 0;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            if ((PixelAt(pixels, x, y) & 0xFF) > 0x80) {
                ++lit;
                left = std::min(left, x);
                right = std::max(right, x);
                EXPECT_GE(y, 292);
                EXPECT_LT(y, 292 + 21);
            }
    EXPECT_GT(lit, 200);
    // Centred on x = 400 by its own width.
    EXPECT_NEAR((left + right) * 0.5f, 400.0f, 6.0f);
    font.Release();
    menuFont.Release();
}
