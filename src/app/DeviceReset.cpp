// ResetDevice: the way back from a lost device.

#include "app/DeviceStates.h"
#include "app/FrontEnd.h"
#include "app/LogoScreen.h"
#include "app/MainLoop.h"
#include "app/Menu.h"
#include "backend/gpu/GpuDevice.h"
#include "engine/platform/DeviceSettings.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"
#include "race/MultiplayerRace.h"
#include "race/SinglePlayerRace.h"

#include <mutex>

namespace {

// The live screen objects: the race, or the menu and the logo while it shows.
void ReleaseScreens()
{
    if (g_SinglePlayerRace != nullptr) {
        g_SinglePlayerRace->Release();
        return;
    }
    if (g_MultiplayerRace != nullptr && g_GameState == GAMESTATE_MULTIPLAYER_RACE) {
        g_MultiplayerRace->Release();
        return;
    }
    // On the results screen the race is already taken apart and the menu shows.
    if (g_Menu != nullptr)
        g_Menu->Release();
    if (g_LogoScreen != nullptr)
        g_LogoScreen->Release();
}

bool RestoreScreens()
{
    if (g_SinglePlayerRace != nullptr)
        return g_SinglePlayerRace->Restore();
    if (g_MultiplayerRace != nullptr && g_GameState == GAMESTATE_MULTIPLAYER_RACE)
        return g_MultiplayerRace->Restore();
    if (g_Menu != nullptr && !g_Menu->Restore())
        return false;
    return g_LogoScreen == nullptr || g_LogoScreen->Restore();
}

} // namespace

bool ResetDevice()
{
    // The network handler reaches the network race on its own thread.
    std::unique_lock<std::recursive_mutex> lock(g_RaceLock, std::defer_lock);
    if (g_GameState == GAMESTATE_MULTIPLAYER_RACE || g_GameState == GAMESTATE_MULTIPLAYER_RESULTS)
        lock.lock();
    ReleaseScreens();
    const bool titleLive = g_TitleFade > 0.0f;
    if (titleLive)
        g_TitleImage.Release();
    g_InGameMenuImage.Release();
    g_Font.Release();

    LogMessage("\nResetting Direct3D device...");
    if (backend::GpuFailed(g_RenderDevice.device->Reset(&g_RenderDevice.presentParameters)))
        return ReportError("Error resetting the Direct3D device!");
    g_RenderDevice.ResetStateCache();

    if (!g_Font.Restore() || !g_InGameMenuImage.Restore() || !RestoreScreens() ||
        (titleLive && !g_TitleImage.Restore()))
        return ReportError("Error restoring the pictures after a device reset!");

    SetFixedRenderStates();
    const bool inRace = g_GameState >= GAMESTATE_PAUSE_MENU;
    SetSamplerStates(inRace ? g_DeviceSettings.mipFilter : backend::D3DTEXF_NONE);
    // The time lost in the reset is no race time.
    if (g_SinglePlayerRace != nullptr)
        g_SinglePlayerRace->ResetTimers();
    else if (g_MultiplayerRace != nullptr)
        g_MultiplayerRace->ResetMopedTimers();
    return true;
}
