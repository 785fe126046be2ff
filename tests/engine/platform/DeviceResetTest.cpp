#include "RenderTestDevice.h"

#include "backend/gpu/GpuDevice.h"
#include "datagen/writers/DdsWriter.h"
#include "datagen/writers/FileWriter.h"
#include "datagen/writers/FontWriter.h"
#include "engine/platform/BitmapFont.h"
#include "engine/platform/RenderDevice.h"
#include "engine/platform/Texture.h"
#include "engine/platform/VertexImage.h"

using namespace backend;

// The front end's device-loss path with the platform objects: lost frames are
// skipped, everything is released, the reset only succeeds once the last
// default-pool object is gone, and everything comes back and draws.
TEST_F(RenderDeviceTest, DeviceLossReleaseResetRestore)
{
    ASSERT_TRUE(OpenDevice());
    RenderDevice& rd = g_RenderDevice;

    const std::string picture = WriteSolidTexture("Blue.dds", 0xFF0000FFu);
    const float fullUv[4] = {0, 0, 1, 1};
    VertexImage image;
    ASSERT_TRUE(image.Load(picture.c_str(), 100.0f, 50.0f, 0xFFFFFFFFu, fullUv));

    datagen::FontSheet sheet;
    std::string error;
    ASSERT_TRUE(datagen::RenderFontSheet("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 256, sheet, error));
    const std::string sheetPath = TempPath("Font.dds"), datPath = TempPath("Font.dat");
    ASSERT_TRUE(datagen::WriteFileBytes(sheetPath, datagen::EncodeDds(sheet.image, datagen::DdsFormat::DXT5, true)));
    ASSERT_TRUE(datagen::WriteFileBytes(datPath, datagen::EncodeFontWidths(sheet.advances)));
    BitmapFont font;
    ASSERT_TRUE(font.Load(sheetPath.c_str(), datPath.c_str(), 16.0f, 16.0f, 256, false));

    Texture target;
    ASSERT_TRUE(target.Create(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, "SunMap", true));

    const auto drawFrame = [&](bool present) {
        ClearBackBuffer(0xFF000000u);
        rd.device->BeginScene();
        rd.Begin2D(800.0f, 600.0f);
        image.SetPosition(0.0f, 0.0f, 0);
        image.Render();
        font.DrawText("Vantrel", 400.0f, 300.0f, 1.0f, 0.0f, 0xFFFFFFFFu, 1);
        rd.device->EndScene();
        if (present)
            rd.device->Present();
    };
    drawFrame(true);

    // Two lost turns draw nothing; then the device asks for a reset.
    rd.device->ForceDeviceLoss(2);
    int framesDrawn = 0;
    int resets = 0;
    for (int turn = 0; turn < 4; ++turn) {
        const GpuResult status = rd.device->TestCooperativeLevel();
        if (status == GPUERR_DEVICELOST)
            continue;
        if (status == GPUERR_DEVICENOTRESET) {
            image.Release();
            font.Release();
            // The render target still lives in the default pool: the reset must refuse.
            EXPECT_GT(rd.device->GetLiveDefaultPoolCount(), 0u);
            EXPECT_TRUE(GpuFailed(rd.device->Reset(&rd.presentParameters)));
            target.Release();
            EXPECT_EQ(rd.device->GetLiveDefaultPoolCount(), 0u);
            ASSERT_TRUE(GpuSucceeded(rd.device->Reset(&rd.presentParameters)));
            rd.ResetStateCache();
            ASSERT_TRUE(font.Restore());
            ASSERT_TRUE(image.Restore());
            ASSERT_TRUE(target.Restore());
            ++resets;
            continue;
        }
        ++framesDrawn;
        drawFrame(true);
    }
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(framesDrawn, 1);

    // And the restored objects draw: the image's blue in the corner, text in the middle.
    drawFrame(false);
    const std::vector<uint32_t> pixels = ReadBackBuffer();
    EXPECT_EQ(PixelAt(pixels, 10, 10) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(PixelAt(pixels, 99, 49) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(PixelAt(pixels, 100, 50) & 0xFFFFFF, 0u);
    int lit = 0;
    for (int y = 300; y < 316; ++y)
        for (int x = 300; x < 500; ++x)
            lit += (PixelAt(pixels, x, y) & 0xFF) > 0x80;
    EXPECT_GT(lit, 20);

    image.Release();
    font.Release();
    target.Release();
}
