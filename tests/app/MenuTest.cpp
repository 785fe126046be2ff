// The menu's items, best-times table, credits scroll and volume bars.

#include "GameTestFixture.h"
#include "ScreenPicture.h"

#include "app/FrameFunctions.h"
#include "app/FrontEnd.h"
#include "app/Menu.h"
#include "backend/window/KeyCodes.h"
#include "datagen/writers/RecordsWriter.h"

#include <cstring>
#include <filesystem>

TEST(Menu, ItemCountsAndMovesWithAndWithoutWrap)
{
    Menu menu;
    const int counts[15] = {2, 5, 4, 10, 10, 3, 10, 0, 0, 0, 0, 0, 0, 3, 0};
    for (int screen = 0; screen < 15; ++screen) {
        menu.screen = MenuScreen(screen);
        EXPECT_EQ(menu.GetItemCount(), counts[screen]) << screen;
    }
    menu.SetScreen(MENUSCREEN_MAIN, 0);
    EXPECT_FALSE(menu.PreviousItem(false));
    EXPECT_EQ(menu.selectedItem, 0);
    EXPECT_TRUE(menu.PreviousItem(true));
    EXPECT_EQ(menu.selectedItem, 4);
    EXPECT_FALSE(menu.NextItem(false));
    EXPECT_TRUE(menu.NextItem(true));
    EXPECT_EQ(menu.selectedItem, 0);
    // A screen without items has nothing to move to.
    menu.SetScreen(MENUSCREEN_NETWORK_ERROR, 0);
    EXPECT_FALSE(menu.NextItem(true));
    EXPECT_FALSE(menu.PreviousItem(true));
    EXPECT_EQ(menu.selectedItem, 0);
}

TEST(Menu, CreditsScrollLoopsFrom140AfterPassingTheEnd)
{
    Menu menu;
    menu.SetScreen(MENUSCREEN_CREDITS, 0);
    // Steps until the scroll jumps back up.
    auto stepsToRestart = [&menu] {
        int steps = 0;
        float before = 0.0f;
        do {
            before = menu.creditsScrollY;
            menu.Update();
            ++steps;
        } while (menu.creditsScrollY < before && steps < 10000);
        return steps;
    };
    EXPECT_NEAR(stepsToRestart(), 4170, 1);
    EXPECT_FLOAT_EQ(menu.creditsScrollY, 140.0f);
    EXPECT_NEAR(stepsToRestart(), 4520, 1);
    // Entering again starts from the top.
    menu.SetScreen(MENUSCREEN_CREDITS, 0);
    EXPECT_EQ(menu.creditsScrollY, 0.0f);
}

TEST(Menu, VolumeBarLightsRoundedSegments)
{
    EXPECT_EQ(Menu::LitSegments(0.0f), 0);
    EXPECT_EQ(Menu::LitSegments(0.5f), 10);
    EXPECT_EQ(Menu::LitSegments(0.97f), 19);
    EXPECT_EQ(Menu::LitSegments(1.0f), 20);
}

// Without the click sound too, which is no failure.
TEST_F(GameTest, BestTimesScreenReadsTheTrackUnderTheCursor)
{
    std::filesystem::remove(DataPath("Audio/Sounds/Click.wav"));
    ASSERT_TRUE(datagen::WriteRecords(DataPath("Data/Tracks/Finland/Records.bt"), {{"Ann", 61234}}));
    ASSERT_TRUE(datagen::WriteRecords(DataPath("Data/Tracks/Cambodia/Records.bt"), {{"Bo", 1000}, {"Cy", 2000}}));
    std::filesystem::remove(DataPath("Data/Tracks/Mexico/Records.bt"));
    ASSERT_TRUE(StartGame());
    GoToMainMenu();
    g_Menu->SetScreen(MENUSCREEN_BEST_TIMES, 0);
    ASSERT_EQ(g_Menu->bestTimes.size(), 1u);
    EXPECT_STREQ(g_Menu->bestTimes[0].name, "Ann");
    Turns(20);
    EXPECT_EQ(g_Menu->shownBestTimeRows, 15);
    Press(backend::DIK_DOWN);
    ASSERT_EQ(g_Menu->bestTimes.size(), 2u);
    EXPECT_STREQ(g_Menu->bestTimes[1].name, "Cy");
    EXPECT_LT(g_Menu->shownBestTimeRows, 15);
    Press(backend::DIK_DOWN);
    EXPECT_TRUE(g_Menu->bestTimes.empty());
}

namespace {

// Pixels of pure-looking green in one row of the best-times table.
double GreenPixelsInRow(const ScreenPicture& picture, int row)
{
    return picture.Count(300, 260 + 15 * row, 760, 275 + 15 * row, IsGreen);
}

} // namespace

TEST_F(GameTest, BestTimesStateDrawsOnlyTheNewRowGreen)
{
    ASSERT_TRUE(StartGame());
    GoToMainMenu();
    Turns(25);
    g_RaceRecords.clear();
    for (const char* name : {"Ann", "Bo", "Cy"}) {
        RaceRecord record;
        std::strcpy(record.name, name);
        record.time = 60000;
        g_RaceRecords.push_back(record);
    }
    g_GameState = GAMESTATE_BEST_TIMES;
    g_BestTimesShownRows = 15;
    g_NewRecordIndex = 1;
    RenderFrame();
    const ScreenPicture picture = ScreenPicture::Read();
    ASSERT_EQ(picture.pixels.size(), 800u * 600u);
    EXPECT_EQ(GreenPixelsInRow(picture, 0), 0);
    EXPECT_GT(GreenPixelsInRow(picture, 1), 20);
    EXPECT_EQ(GreenPixelsInRow(picture, 5), 0);

    g_NewRecordIndex = -1;
    RenderFrame();
    const ScreenPicture plain = ScreenPicture::Read();
    for (int row = 0; row < 15; ++row)
        EXPECT_EQ(GreenPixelsInRow(plain, row), 0) << row;
}
