// RunGame: the program from start-up to shut-down.

#include "app/Application.h"
#include "app/FrontEnd.h"
#include "app/MainLoop.h"
#include "backend/dialog/GtkMessageBox.h"
#include "backend/window/MessageBox.h"
#include "engine/platform/Log.h"

int RunGame(backend::InstanceHandle instance, int showCommand)
{
    g_Instance = instance;
    // Errors reach the player even where SDL cannot draw its own box.
    backend::SetMessageBoxFallback(backend::ShowGtkMessageBox);
    // A game that ends on an error box fails, whichever step it came from;
    // Quit in the launcher and a second copy store no error.
    if (!InitApplication(showCommand))
        return ShutdownApplication() ? 1 : 0;
    Timer frameTimer;
    frameTimer.Init(false);
    backend::Message lastMessage;
    LoopTurn turn = TURN_GO_ON;
    while (turn == TURN_GO_ON)
        turn = RunLoopTurn(frameTimer, lastMessage);
    if (ShutdownApplication() || turn == TURN_RESET_FAILED)
        return 1;
    return lastMessage.message == backend::WM_QUIT ? int(lastMessage.wParam) : 0;
}
