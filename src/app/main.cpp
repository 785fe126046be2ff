// Vantrel: the program's entry point.

#include "app/MainLoop.h"
#include "backend/gpu/GpuDriverEnvironment.h"

int main()
{
    backend::UseSerialSoftwareRasteriser();
    return RunGame(nullptr, backend::SW_SHOWDEFAULT);
}
