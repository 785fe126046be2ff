#pragma once
// The launcher: fills the model's lists from the display, the GL driver and
// the sound devices, applies "Game.cfg", runs the dialog and hands the choices
// to g_DeviceSettings and g_GameConfig.

#include "app/LauncherModel.h"
#include "engine/platform/DeviceSettings.h"

// Runs the modal dialog before the game window exists. True after "Play!"
// with `settings` filled; false after "Quit", closing the dialog, or when no
// dialog could be shown (then with an error reported).
bool RunLauncher(DeviceSettings* settings);

// Fills the lists and applies the configuration file; false when a list could
// not be filled (the model then keeps what was filled, consistently).
bool InitLauncherDialog(LauncherModel& model, const char* configPath = GAME_CONFIG_PATH);
// The choices into `settings` and g_GameConfig; false without settings.
bool ApplyLauncherSettings(const LauncherModel& model, DeviceSettings* settings);
