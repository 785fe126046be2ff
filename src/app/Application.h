#pragma once
// Bringing the program up and taking it down again.

// The whole start-up: the single-instance guard, the launcher, the second
// window search, "Game.cfg", then InitGame. False at the first failing step
// (the caller then runs ShutdownApplication).
bool InitApplication(int showCommand);
// The start-up after the launcher: window, device, keyboard, sound, the
// loading screen with the shared pictures, font, menu and music, and the logo
// screen; ends in GAMESTATE_LOGO. Uses the choices in g_DeviceSettings.
bool InitGame(int showCommand);
// Takes down whatever exists, shows the last error text if one was stored and
// destroys the window. Safe after a partial start-up. True when it showed an
// error: the game ended on it.
bool ShutdownApplication();

// One frame of the start-up loading screen; the bar grows by one block.
void RenderLoadingProgress();
// The single "Loading Track..." frame shown before a track loads.
void RenderLoadingTrackScreen();
