#pragma once
// The full-screen menu: its pictures and fonts, the screen shown and the item
// selected, the best-times table and the credits scroll.

#include "app/MenuScreen.h"
#include "engine/platform/BitmapFont.h"
#include "engine/platform/Texture.h"
#include "engine/platform/VertexImage.h"
#include "race/RaceRecord.h"

#include <vector>

class Menu {
public:
    Menu();

    // Loads every picture, font and texture; false at the first failure.
    bool Load();
    void Release();
    // Makes the device objects again in the order of Load; false at the first failure.
    bool Restore();

    int GetItemCount() const;
    void SetScreen(MenuScreen newScreen, int item);
    // With wrap the item moves round the item count and the result is true;
    // without it the item stops at the last (first) one and the result says
    // whether it moved.
    bool NextItem(bool wrap);
    bool PreviousItem(bool wrap);
    // After every screen or item change: reloads the best times of the track
    // under the cursor, restarts the credits.
    void EnterScreen();
    // Once per logic step.
    void Update();

    void RenderBackground();
    void RenderHeaderBar();
    void RenderPhysicsLogo();
    void Render(BitmapFont& font);

    // Lit segments of a 20-segment volume bar.
    static int LitSegments(float volume);

    VertexImage physicsLogo;
    VertexImage background;
    VertexImage headerBar;
    VertexImage headerStrip;
    VertexImage volumeOff;
    VertexImage volumeOn;
    VertexImage trackPicture;
    BitmapFont normalFont;
    BitmapFont highlightFont;
    Texture headers;
    Texture trackImages[10];
    int shownBestTimeRows = 0;
    std::vector<RaceRecord> bestTimes;
    float creditsScrollY = 0.0f;
    MenuScreen screen = MENUSCREEN_NONE;
    int selectedItem = 0;

private:
    bool LoadPictures(bool restore);
    void RenderItems(const char* const* items, int count, float x, float y, float step, float scale, int align);
    void RenderTrackList(BitmapFont& font, bool withPicture);
    void RenderBestTimes(BitmapFont& font);
    void RenderMessage(BitmapFont& font);
    void RenderOptions();
    void RenderCredits(BitmapFont& font);
};
