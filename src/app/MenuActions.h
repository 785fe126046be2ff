#pragma once
// Actions shared by the key handlers and the frame functions.

// Makes g_Menu and loads the menu music (unless music is disabled). On any
// failure the menu is deleted, the state becomes GAMESTATE_QUIT and the
// result is false. The new menu shows no screen until SetScreen.
bool OpenMainMenu();
void PlayClickSound();
// Starts the music from silence and fades it in (unless music is disabled).
void FadeInMusic();
// Stops the logo's count-down, releases and deletes the logo screen.
void CloseLogoScreen();
