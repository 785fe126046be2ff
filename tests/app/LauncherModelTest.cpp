// The launcher's model: lists, "Game.cfg" applied to them, enable rules, and
// the device settings it yields; then the lists filled from the real display,
// GL driver and sound devices.

#include "app/LauncherModel.h"
#include "app/Launcher.h"

#include "datagen/writers/GameConfigWriter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

using namespace backend;

namespace {

class Launcher : public ::testing::Test {
protected:
    void SetUp() override { savedConfig = g_GameConfig; }
    void TearDown() override { g_GameConfig = savedConfig; }

    // Two modes, 4x anisotropy, the default device and two named ones.
    void Fill()
    {
        model.AddFixedRows();
        model.AddDisplayMode(640, 480, D3DFMT_R5G6B5);
        model.AddDisplayMode(1024, 768, D3DFMT_X8R8G8B8);
        model.SetMaxAnisotropy(4);
        model.AddSoundDevice(nullptr, "Primary Sound Driver");
        model.AddSoundDevice("Card A", "Card A");
        model.AddSoundDevice("Card B", "Card B");
        model.SetDefaults();
    }
    DeviceSettings ApplyToFresh()
    {
        DeviceSettings settings;
        model.Apply(settings, config);
        return settings;
    }

    SoundDeviceTable table;
    LauncherModel model{table};
    GameConfig config, savedConfig;
};

TEST_F(Launcher, ListsDeduplicateModesFormatRowsAndCapDevices)
{
    model.AddFixedRows();
    model.AddFixedRows();
    EXPECT_EQ(model.RowCount(LAUNCHER_RENDER_DEVICE), 3);
    EXPECT_EQ(model.RowText(LAUNCHER_RENDER_DEVICE, 2), "Reference Rasterizer");
    EXPECT_EQ(model.RowText(LAUNCHER_TEXTURE_FILTER, 0), "Nearest");
    EXPECT_EQ(model.RowText(LAUNCHER_TEXTURE_FILTER, 2), "Anisotropic");

    // Refresh rates are not told apart: the same size and format twice is one row.
    model.AddDisplayMode(800, 600, D3DFMT_X8R8G8B8);
    model.AddDisplayMode(800, 600, D3DFMT_X8R8G8B8);
    model.AddDisplayMode(800, 600, D3DFMT_R5G6B5);
    model.AddDisplayMode(1280, 720, D3DFMT_R8G8B8);
    model.AddDisplayMode(320, 200, D3DFMT_A8);
    ASSERT_EQ(model.RowCount(LAUNCHER_DISPLAY_MODE), 4);
    EXPECT_EQ(model.RowText(LAUNCHER_DISPLAY_MODE, 0), "800x600x32");
    EXPECT_EQ(model.RowText(LAUNCHER_DISPLAY_MODE, 1), "800x600x16");
    EXPECT_EQ(model.RowText(LAUNCHER_DISPLAY_MODE, 2), "1280x720x24");
    EXPECT_EQ(model.RowText(LAUNCHER_DISPLAY_MODE, 3), "320x200x0");
    EXPECT_EQ(model.DisplayModes().size(), 4u);

    model.SetMaxAnisotropy(16);
    ASSERT_EQ(model.RowCount(LAUNCHER_ANISOTROPY), 16);
    EXPECT_EQ(model.RowText(LAUNCHER_ANISOTROPY, 0), "1x");
    EXPECT_EQ(model.RowText(LAUNCHER_ANISOTROPY, 15), "16x");
    model.SetMaxAnisotropy(0);
    EXPECT_EQ(model.RowCount(LAUNCHER_ANISOTROPY), 0);

    // The default device and twenty named ones; the 21st named one is left out.
    EXPECT_TRUE(model.AddSoundDevice(nullptr, "Primary Sound Driver"));
    for (int i = 0; i < MAX_SOUND_DEVICES; ++i)
        EXPECT_TRUE(model.AddSoundDevice(("dev" + std::to_string(i)).c_str(), "Same Card"));
    EXPECT_FALSE(model.AddSoundDevice("one too many", "one too many"));
    EXPECT_EQ(model.RowCount(LAUNCHER_SOUND_DEVICE), MAX_SOUND_DEVICES + 1);
    EXPECT_EQ(table.count, MAX_SOUND_DEVICES);

    // Devices with the same description keep their own identities by row.
    model.SetDefaults();
    model.Select(LAUNCHER_SOUND_DEVICE, 7);
    const DeviceSettings settings = ApplyToFresh();
    ASSERT_NE(settings.soundDevice, nullptr);
    EXPECT_STREQ(static_cast<const char*>(settings.soundDevice), "dev6");
    EXPECT_EQ(config.soundDeviceIndex, 7);
}

TEST_F(Launcher, ChoicesMapToDeviceSettingsAndConfigValues)
{
    Fill();
    DeviceSettings settings = ApplyToFresh();
    EXPECT_EQ(settings.deviceType, D3DDEVTYPE_HAL);
    EXPECT_EQ(settings.behaviorFlags, uint32_t(D3DCREATE_HARDWARE_VERTEXPROCESSING));
    EXPECT_EQ(settings.width, 640u);
    EXPECT_EQ(settings.height, 480u);
    EXPECT_EQ(settings.format, D3DFMT_R5G6B5);
    EXPECT_FALSE(settings.windowed);
    EXPECT_EQ(settings.backBufferCount, 1u);
    EXPECT_EQ(settings.minMagFilter, D3DTEXF_POINT);
    EXPECT_EQ(settings.mipFilter, D3DTEXF_POINT);
    EXPECT_EQ(settings.maxAnisotropy, 1u);
    EXPECT_EQ(settings.soundDevice, nullptr);
    EXPECT_FALSE(settings.softwareSoundBuffers);
    EXPECT_FALSE(settings.disableMusic);

    model.Select(LAUNCHER_RENDER_DEVICE, 1);
    settings = ApplyToFresh();
    EXPECT_EQ(settings.deviceType, D3DDEVTYPE_HAL);
    EXPECT_EQ(settings.behaviorFlags, uint32_t(D3DCREATE_MIXED_VERTEXPROCESSING));

    model.Select(LAUNCHER_RENDER_DEVICE, 2);
    model.Select(LAUNCHER_DISPLAY_MODE, 1);
    model.Select(LAUNCHER_TEXTURE_FILTER, 2);
    model.Select(LAUNCHER_ANISOTROPY, 3);
    model.Select(LAUNCHER_SOUND_DEVICE, 2);
    for (int check : {LAUNCHER_WINDOWED, LAUNCHER_TRIPLE_BUFFERING, LAUNCHER_SOFTWARE_SOUND, LAUNCHER_DISABLE_MUSIC})
        model.SetChecked(check, true);
    settings = ApplyToFresh();
    EXPECT_EQ(settings.deviceType, D3DDEVTYPE_REF);
    EXPECT_EQ(settings.behaviorFlags, uint32_t(D3DCREATE_SOFTWARE_VERTEXPROCESSING));
    EXPECT_EQ(settings.width, 1024u);
    EXPECT_EQ(settings.format, D3DFMT_X8R8G8B8);
    EXPECT_TRUE(settings.windowed);
    EXPECT_EQ(settings.backBufferCount, 2u);
    EXPECT_EQ(settings.minMagFilter, D3DTEXF_ANISOTROPIC);
    EXPECT_EQ(settings.mipFilter, D3DTEXF_ANISOTROPIC);
    EXPECT_EQ(settings.maxAnisotropy, 4u);
    EXPECT_STREQ(static_cast<const char*>(settings.soundDevice), "Card B");
    EXPECT_TRUE(settings.softwareSoundBuffers);
    EXPECT_TRUE(settings.disableMusic);
    EXPECT_EQ(config.renderDeviceIndex, 2);
    EXPECT_EQ(config.displayModeIndex, 1);
    EXPECT_EQ(config.windowed, 1);
    EXPECT_EQ(config.tripleBuffering, 1);
    EXPECT_EQ(config.textureFilterIndex, 2);
    EXPECT_EQ(config.anisotropyIndex, 3);
    EXPECT_EQ(config.disableMipmapping, 0);
    EXPECT_EQ(config.soundDeviceIndex, 2);
    EXPECT_EQ(config.softwareSoundBuffers, 1);
    EXPECT_EQ(config.disableMusic, 1);

    model.Select(LAUNCHER_TEXTURE_FILTER, 1);
    model.SetChecked(LAUNCHER_DISABLE_MIPMAPPING, true);
    settings = ApplyToFresh();
    EXPECT_EQ(settings.minMagFilter, D3DTEXF_LINEAR);
    EXPECT_EQ(settings.mipFilter, D3DTEXF_NONE);

    // Lists without a selection leave those settings as they were, stored as -1;
    // the anisotropy is never below 1 and the sound device is the default one.
    model.Select(LAUNCHER_RENDER_DEVICE, -1);
    model.Select(LAUNCHER_TEXTURE_FILTER, -1);
    model.Select(LAUNCHER_ANISOTROPY, -1);
    model.Select(LAUNCHER_SOUND_DEVICE, -1);
    model.Select(LAUNCHER_DISPLAY_MODE, -1);
    settings.deviceType = D3DDEVTYPE_SW;
    settings.behaviorFlags = 0x1234;
    settings.minMagFilter = D3DTEXF_LINEAR;
    model.SetChecked(LAUNCHER_DISABLE_MIPMAPPING, false);
    model.Apply(settings, config);
    EXPECT_EQ(settings.deviceType, D3DDEVTYPE_SW);
    EXPECT_EQ(settings.behaviorFlags, 0x1234u);
    EXPECT_EQ(settings.minMagFilter, D3DTEXF_LINEAR);
    EXPECT_EQ(settings.mipFilter, D3DTEXF_LINEAR);
    EXPECT_EQ(settings.maxAnisotropy, 1u);
    EXPECT_EQ(settings.soundDevice, nullptr);
    EXPECT_EQ(settings.width, 640u) << "no mode selected reads the first mode";
    EXPECT_EQ(config.renderDeviceIndex, -1);
    EXPECT_EQ(config.textureFilterIndex, -1);
    EXPECT_EQ(config.anisotropyIndex, -1);
    EXPECT_EQ(config.soundDeviceIndex, -1);
}

TEST_F(Launcher, ConfigValuesOutsideTheListsKeepTheDefaults)
{
    Fill();
    GameConfig file;
    file.renderDeviceIndex = -1;
    file.displayModeIndex = 2; // one past the last mode
    file.windowed = 2;
    file.tripleBuffering = 1;
    file.textureFilterIndex = 1000000;
    file.anisotropyIndex = 3;
    file.disableMipmapping = -1;
    file.soundDeviceIndex = 21;
    file.softwareSoundBuffers = 1;
    model.ApplyConfig(file);
    EXPECT_EQ(model.Selection(LAUNCHER_RENDER_DEVICE), 0);
    EXPECT_EQ(model.Selection(LAUNCHER_DISPLAY_MODE), 0);
    EXPECT_EQ(model.Selection(LAUNCHER_TEXTURE_FILTER), 0);
    EXPECT_EQ(model.Selection(LAUNCHER_ANISOTROPY), 3);
    EXPECT_EQ(model.Selection(LAUNCHER_SOUND_DEVICE), 0);
    EXPECT_FALSE(model.IsChecked(LAUNCHER_WINDOWED));
    EXPECT_TRUE(model.IsChecked(LAUNCHER_TRIPLE_BUFFERING));
    EXPECT_FALSE(model.IsChecked(LAUNCHER_DISABLE_MIPMAPPING));
    EXPECT_TRUE(model.IsChecked(LAUNCHER_SOFTWARE_SOUND));

    const DeviceSettings settings = ApplyToFresh();
    EXPECT_EQ(settings.width, 640u);
    EXPECT_EQ(settings.soundDevice, nullptr);
    EXPECT_EQ(settings.maxAnisotropy, 4u);

    // Out-of-range selections from the dialog are refused too.
    model.Select(LAUNCHER_DISPLAY_MODE, 99);
    model.Select(LAUNCHER_SOUND_DEVICE, -7);
    EXPECT_EQ(model.Selection(LAUNCHER_DISPLAY_MODE), 0);
    EXPECT_EQ(model.Selection(LAUNCHER_SOUND_DEVICE), 0);
    EXPECT_EQ(model.Selection(12345), -1);
    EXPECT_EQ(model.RowText(LAUNCHER_DISPLAY_MODE, 99), "");
}

TEST_F(Launcher, EnableRulesAndPlayWithoutModes)
{
    Fill();
    EXPECT_TRUE(model.IsEnabled(LAUNCHER_DISPLAY_MODE));
    EXPECT_FALSE(model.IsEnabled(LAUNCHER_ANISOTROPY));
    model.SetChecked(LAUNCHER_WINDOWED, true);
    EXPECT_FALSE(model.IsEnabled(LAUNCHER_DISPLAY_MODE));
    model.Select(LAUNCHER_TEXTURE_FILTER, 2);
    EXPECT_TRUE(model.IsEnabled(LAUNCHER_ANISOTROPY));
    model.Select(LAUNCHER_TEXTURE_FILTER, 1);
    EXPECT_FALSE(model.IsEnabled(LAUNCHER_ANISOTROPY));
    EXPECT_TRUE(model.IsEnabled(LAUNCHER_SOUND_DEVICE));

    // With no mode list, full screen can't start; a window falls back to 800 x 600.
    model.ClearDisplayModes();
    EXPECT_EQ(model.RowCount(LAUNCHER_DISPLAY_MODE), 0);
    EXPECT_EQ(model.Selection(LAUNCHER_DISPLAY_MODE), -1);
    EXPECT_TRUE(model.CanPlay());
    model.SetDesktopFormat(D3DFMT_R5G6B5);
    DeviceSettings settings = ApplyToFresh();
    EXPECT_EQ(settings.width, 800u);
    EXPECT_EQ(settings.height, 600u);
    EXPECT_EQ(settings.format, D3DFMT_R5G6B5);
    EXPECT_EQ(config.displayModeIndex, -1);

    model.SetChecked(LAUNCHER_WINDOWED, false);
    EXPECT_FALSE(model.CanPlay());
    EXPECT_FALSE(model.IsEnabled(LAUNCHER_PLAY));
    settings = DeviceSettings();
    settings.width = 1;
    model.Apply(settings, config);
    EXPECT_EQ(settings.width, 1u);
}

TEST_F(Launcher, InitFillsTheListsFromTheSystemAndAppliesTheFile)
{
    char pattern[] = "/tmp/vantrel-launcher-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string path = std::string(pattern) + "/Game.cfg";
    datagen::GameConfigValues values;
    values.windowed = 1;
    values.textureFilterIndex = 2;
    values.anisotropyIndex = 1;
    values.disableMusic = 1;
    values.soundDeviceIndex = 999;
    ASSERT_TRUE(datagen::WriteGameConfig(path, values));

    EXPECT_TRUE(InitLauncherDialog(model, path.c_str()));
    std::filesystem::remove_all(pattern);
    EXPECT_EQ(model.RowCount(LAUNCHER_RENDER_DEVICE), 3);
    EXPECT_GE(model.RowCount(LAUNCHER_DISPLAY_MODE), 1);
    EXPECT_GE(model.RowCount(LAUNCHER_ANISOTROPY), 2) << "the software GL driver filters anisotropically";
    ASSERT_GE(model.RowCount(LAUNCHER_SOUND_DEVICE), 1);
    EXPECT_EQ(model.RowText(LAUNCHER_SOUND_DEVICE, 0), "Primary Sound Driver");
    EXPECT_TRUE(model.IsChecked(LAUNCHER_WINDOWED));
    EXPECT_TRUE(model.IsChecked(LAUNCHER_DISABLE_MUSIC));
    EXPECT_EQ(model.Selection(LAUNCHER_TEXTURE_FILTER), 2);
    EXPECT_EQ(model.Selection(LAUNCHER_ANISOTROPY), 1);
    EXPECT_EQ(model.Selection(LAUNCHER_SOUND_DEVICE), 0);

    DeviceSettings settings;
    ASSERT_TRUE(ApplyLauncherSettings(model, &settings));
    EXPECT_FALSE(ApplyLauncherSettings(model, nullptr));
    EXPECT_EQ(settings.maxAnisotropy, 2u);
    EXPECT_TRUE(settings.disableMusic);
    EXPECT_GT(settings.width, 0u);
    EXPECT_EQ(g_GameConfig.soundDeviceIndex, 0);
    EXPECT_EQ(g_GameConfig.textureFilterIndex, 2);
}

} // namespace
