#include "app/Launcher.h"

#include "backend/dialog/LauncherDialog.h"
#include "backend/dialog/MaxAnisotropyProbe.h"
#include "backend/gpu/GpuSystem.h"
#include "backend/sound/DirectSound.h"
#include "engine/platform/Log.h"

#include <cstdlib>

using namespace backend;

namespace {

// Adds a device row; devices past the table's size are left out.
bool EnumSoundDevicesCallback(const char* deviceName, const char* description, void* user)
{
    static_cast<LauncherModel*>(user)->AddSoundDevice(deviceName, description);
    return true;
}

// The display modes, the anisotropy rows and the sound devices; false at the
// first list that can't be filled.
bool FillLists(LauncherModel& model)
{
    GpuSystem* system = CreateGpuSystem();
    if (!system)
        return false;
    bool ok = true;
    GpuDisplayMode desktop;
    if (GpuSucceeded(system->GetAdapterDisplayMode(0, &desktop)))
        model.SetDesktopFormat(desktop.Format);
    const uint32_t modeCount = system->GetAdapterModeCount(0);
    for (uint32_t i = 0; ok && i < modeCount; ++i) {
        GpuDisplayMode mode;
        ok = GpuSucceeded(system->EnumAdapterModes(0, i, &mode));
        if (ok)
            model.AddDisplayMode(mode.Width, mode.Height, mode.Format);
    }
    if (ok) {
        // The driver's own limit when a GL device can be made, else what the adapter reports.
        uint32_t maxAnisotropy = ProbeMaxAnisotropy();
        if (maxAnisotropy == 0) {
            GpuCaps caps;
            ok = GpuSucceeded(system->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps));
            maxAnisotropy = caps.MaxAnisotropy;
        }
        if (ok)
            model.SetMaxAnisotropy(maxAnisotropy);
    }
    system->Release();
    return ok && EnumerateSoundDevices(EnumSoundDevicesCallback, &model);
}

} // namespace

bool InitLauncherDialog(LauncherModel& model, const char* configPath)
{
    model.AddFixedRows();
    const bool filled = FillLists(model);
    // A half-filled mode list is dropped whole, so its rows and modes agree.
    if (!filled)
        model.ClearDisplayModes();
    model.SetDefaults();
    if (filled) {
        // Without the file the values stay as they are (zero at the first start).
        LoadGameConfig(configPath);
        model.ApplyConfig(g_GameConfig);
    }
    return filled;
}

bool ApplyLauncherSettings(const LauncherModel& model, DeviceSettings* settings)
{
    if (!settings)
        return false;
    model.Apply(*settings, g_GameConfig);
    return true;
}

bool RunLauncher(DeviceSettings* settings)
{
    if (!settings)
        return false;
    // The dialog's display first: filling the lists opens and closes others.
    if (!OpenLauncherDisplay())
        return ReportError("Error opening the launcher dialog!");
    g_SoundDeviceTable.Clear();
    LauncherModel model(g_SoundDeviceTable);
    InitLauncherDialog(model);
    const LauncherOutcome outcome = RunLauncherDialog(model);
    if (outcome == LauncherOutcome::Failed)
        return ReportError("Error opening the launcher dialog!");
    if (outcome != LauncherOutcome::Play)
        return false;
    if (!ApplyLauncherSettings(model, settings))
        return false;
    // The reference rasterizer is Mesa's software renderer, chosen before any
    // GL context of the game exists.
    if (settings->deviceType == D3DDEVTYPE_REF)
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    return true;
}
