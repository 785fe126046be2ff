// InitApplication: the guard against a second copy and the launcher, then the game.

#include "app/Application.h"
#include "app/FailedSave.h"
#include "app/GameConfig.h"
#include "app/Launcher.h"
#include "engine/platform/DeviceSettings.h"
#include "engine/platform/Window.h"
#include "race/PhysicsMemory.h"

#include <string>

bool InitApplication(int showCommand)
{
    InstallPhysicsMemory();
    if (!g_Window.CheckSingleInstance("Vantrel"))
        return false;
    if (!RunLauncher(&g_DeviceSettings))
        return false;
    if (g_Window.ActivateExistingWindow())
        return false;
    std::string reason;
    if (!SaveGameConfig(GAME_CONFIG_PATH, &reason))
        ReportFailedSave("Error saving the game settings!", reason);
    return InitGame(showCommand);
}
