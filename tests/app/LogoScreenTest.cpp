// The logo's fade schedule over its six-second count-down, and the music's
// fade-in on the title that follows.

#include "GameTestFixture.h"

#include "app/FrontEnd.h"
#include "app/LogoScreen.h"
#include "audio/Sound.h"

TEST_F(GameTest, LogoFadesInHoldsAndFadesOutThenTitleFollows)
{
    ASSERT_TRUE(StartGame());
    LogoScreen& logo = *g_LogoScreen;
    int turns = 0;
    // Invisible while 5 or 6 whole seconds are left.
    while (logo.timer.seconds > 4) {
        EXPECT_EQ(logo.alpha, 0);
        Turn();
        ++turns;
    }
    int fadeInTurns = 0;
    while (logo.fadePhase == 0) {
        Turn();
        ++fadeInTurns;
    }
    EXPECT_EQ(logo.alpha, 255);
    EXPECT_NEAR(fadeInTurns, 85, 1);
    while (logo.timer.seconds > 1)
        Turn();
    EXPECT_EQ(logo.alpha, 255);
    while (g_GameState == GAMESTATE_LOGO && ++turns < 1000)
        Turn();
    EXPECT_EQ(g_GameState, GAMESTATE_TITLE);
    EXPECT_EQ(g_LogoScreen, nullptr);
    ASSERT_NE(g_Music, nullptr);
    EXPECT_TRUE(g_Music->IsPlaying());
    // The music comes in from silence a hundredth a turn, full after a hundred more turns.
    EXPECT_FLOAT_EQ(g_Music->GetVolume(), 0.01f);
    int fadeTurns = 0;
    for (; g_Music->GetVolume() < 1.0f && fadeTurns < 200; ++fadeTurns)
        Turn();
    EXPECT_EQ(fadeTurns, 100);
}
