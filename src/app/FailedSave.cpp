#include "app/FailedSave.h"

#include "backend/window/MessageBox.h"
#include "engine/platform/Window.h"

#include <cstdio>

void ReportFailedSave(const char* message, const std::string& reason)
{
    std::fprintf(stderr, "Vantrel: %s\n", reason.c_str());
    std::fflush(stderr);
    backend::ShowMessageBox(g_Window.created ? g_Window.hWnd : nullptr, message, "Vantrel", 0);
}
