#pragma once
// The front end's process-wide objects: the shared pictures and font, the
// music, the live screen objects and the values the screens share.

#include "app/GameState.h"
#include "audio/SoundLoadParams.h"
#include "backend/window/WindowTypes.h"
#include "engine/platform/BitmapFont.h"
#include "engine/platform/VertexImage.h"
#include "race/RaceGlobals.h"

#include <cstdint>
#include <vector>

class LogoScreen;
class Menu;
class Sound;

extern backend::InstanceHandle g_Instance;

extern BitmapFont g_Font;
extern VertexImage g_LoadingImage;
extern VertexImage g_LoadingBlockImage;
extern VertexImage g_TitleImage;
extern VertexImage g_InGameMenuImage;
extern int g_LoadingProgress;

extern Sound* g_Music;
extern SoundLoadParams g_MusicLoadParams;

extern LogoScreen* g_LogoScreen;
extern Menu* g_Menu;

// The typed name (at most 19 characters), the name as it was when the name
// entry opened, and the typed host address (at most 15 characters).
extern char g_PlayerName[20];
extern char g_SavedPlayerName[20];
extern char g_TextEntry[16];

// Opacity of the title picture over the menu; above 0 the picture still
// holds its device objects.
extern float g_TitleFade;
// Set when a frame was drawn and waits to be presented.
extern bool g_FramePending;

extern int g_CurrentTrackId;
extern uint32_t g_NewRecordTime;
extern int g_BestTimesShownRows;
extern int g_NewRecordIndex;
extern int g_PauseMenuItem;

// Index of the highlight pulse in g_ColorPulses.
constexpr int HIGHLIGHT_PULSE = 0;
