#include "app/FrontEnd.h"

backend::InstanceHandle g_Instance = nullptr;

BitmapFont g_Font;
VertexImage g_LoadingImage;
VertexImage g_LoadingBlockImage;
VertexImage g_TitleImage;
VertexImage g_InGameMenuImage;
int g_LoadingProgress = 0;

Sound* g_Music = nullptr;
SoundLoadParams g_MusicLoadParams;

LogoScreen* g_LogoScreen = nullptr;
Menu* g_Menu = nullptr;

char g_PlayerName[20] = {};
char g_SavedPlayerName[20] = {};
char g_TextEntry[16] = {};

float g_TitleFade = 1.0f;
bool g_FramePending = false;

int g_CurrentTrackId = 0;
uint32_t g_NewRecordTime = 0;
int g_BestTimesShownRows = 0;
int g_NewRecordIndex = -1;
int g_PauseMenuItem = 0;

GameState g_GameState = GAMESTATE_QUIT;
