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
    if (!InitApplication(showCommand)) {
        // Quit in the launcher and a second copy store no error.
        const bool failed = !g_LastError.empty();
        ShutdownApplication();
        return failed ? 1 : 0;
    }
    Timer frameTimer;
    frameTimer.Init(false);
    backend::Message lastMessage;
    LoopTurn turn = TURN_GO_ON;
    while (turn == TURN_GO_ON)
        turn = RunLoopTurn(frameTimer, lastMessage);
    ShutdownApplication();
    // A failed reset has shown its error; the program reports the failure.
    if (turn == TURN_RESET_FAILED)
        return 1;
    return lastMessage.message == backend::WM_QUIT ? int(lastMessage.wParam) : 0;
}
