// Vantrel: the program's entry point.

#include "app/MainLoop.h"

int main()
{
    return RunGame(nullptr, backend::SW_SHOWDEFAULT);
}
