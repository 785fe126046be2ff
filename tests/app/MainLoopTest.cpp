// The main loop: frame budget, one message per turn, device loss and reset.

#include "GameTestFixture.h"

#include "app/Application.h"
#include "app/FrontEnd.h"
#include "app/LogoScreen.h"
#include "app/Menu.h"
#include "backend/clock/Clock.h"
#include "backend/gpu/GpuDevice.h"
#include "backend/window/KeyCodes.h"
#include "backend/window/MessageQueue.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"
#include "engine/platform/Window.h"

using namespace backend;

TEST_F(GameTest, OneMessagePerTurnEachTurnSixteenMillisecondsAndQuitTurnNone)
{
    ASSERT_TRUE(StartGame());
    Turns(5);
    PostMessage(g_Window.hWnd, WM_CHAR, 'a', 0);
    PostMessage(g_Window.hWnd, WM_CHAR, 'b', 0);
    Turn();
    EXPECT_EQ(g_LastTypedChar, 'a');
    Turn();
    EXPECT_EQ(g_LastTypedChar, 'b');

    uint32_t before = TimeGetTime();
    EXPECT_EQ(Turn(), TURN_GO_ON);
    EXPECT_EQ(TimeGetTime() - before, 16u);

    g_GameState = GAMESTATE_QUIT;
    g_RenderDevice.device->ResetStats();
    before = TimeGetTime();
    EXPECT_EQ(Turn(), TURN_QUIT);
    EXPECT_EQ(TimeGetTime(), before);
    EXPECT_EQ(g_RenderDevice.device->GetStats().presents, 0u);
}

TEST_F(GameTest, LostDeviceSkipsTurnsThenResetRestoresEverythingAndAFailedResetEndsTheLoop)
{
    ASSERT_TRUE(StartGame());
    Turns(2);
    const uint32_t alpha = uint32_t(g_LogoScreen->alpha);
    const uint32_t msLeft = g_LogoScreen->timer.currentMs;
    g_RenderDevice.device->ResetStats();
    g_RenderDevice.device->ForceDeviceLoss(5);
    for (int i = 0; i < 5; ++i) {
        const uint32_t before = TimeGetTime();
        EXPECT_EQ(Turn(), TURN_GO_ON);
        EXPECT_EQ(TimeGetTime() - before, 16u);
    }
    EXPECT_EQ(g_RenderDevice.device->GetStats().presents, 0u);
    EXPECT_EQ(g_LogoScreen->alpha, int(alpha));
    // The next turn resets the device; the logo's time lost meanwhile, a stall
    // of two seconds among it, is not counted.
    AdvanceManualClock(2000000);
    EXPECT_EQ(Turn(), TURN_GO_ON);
    EXPECT_EQ(g_RenderDevice.device->GetStats().resets, 1u);
    EXPECT_EQ(g_RenderDevice.device->GetStats().presents, 1u);
    EXPECT_EQ(g_LogoScreen->timer.currentMs, msLeft);
    EXPECT_NE(g_LogoScreen->logo.vertexBuffer, nullptr);
    EXPECT_NE(g_Menu->background.vertexBuffer, nullptr);
    uint32_t mip = 99;
    g_RenderDevice.device->GetTextureStageState(0, D3DTSS_MIPFILTER, &mip);
    EXPECT_EQ(mip, uint32_t(D3DTEXF_NONE));
    EXPECT_EQ(g_LastError, "");

    // A reset that fails ends the loop with its message.
    g_RenderDevice.device->ForceDeviceLoss(1);
    g_RenderDevice.device->FailNext(GpuDeviceFault::Reset);
    EXPECT_EQ(Turn(), TURN_GO_ON);
    EXPECT_EQ(Turn(), TURN_RESET_FAILED);
    EXPECT_FALSE(g_LastError.empty());
    ShutdownApplication();
    ASSERT_EQ(shownErrors.size(), 1u);
    EXPECT_EQ(shownErrors[0], g_LastError);
    EXPECT_EQ(shownCaptions[0], "Vantrel");
}

TEST_F(GameTest, ResetDuringTitleFadeKeepsTitleAndAfterFadeDoesNot)
{
    ASSERT_TRUE(StartGame());
    GoToMainMenu();
    Turns(3);
    ASSERT_GT(g_TitleFade, 0.0f);
    g_RenderDevice.device->ForceDeviceLoss(1);
    Turns(2);
    EXPECT_NE(g_TitleImage.vertexBuffer, nullptr);
    Turns(25);
    ASSERT_LE(g_TitleFade, 0.0f);
    g_RenderDevice.device->ForceDeviceLoss(1);
    Turns(2);
    EXPECT_EQ(g_TitleImage.vertexBuffer, nullptr);
    EXPECT_NE(g_Menu->background.vertexBuffer, nullptr);
    EXPECT_EQ(g_GameState, GAMESTATE_MAIN_MENU);
}
