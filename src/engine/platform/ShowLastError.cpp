#include "engine/platform/Log.h"

#include "backend/window/MessageBox.h"
#include "backend/window/WindowTypes.h"

bool ShowLastError(void* window, const char* caption)
{
    if (g_LastError.empty())
        return false;
    backend::ShowMessageBox(static_cast<backend::NativeWindow*>(window), g_LastError.c_str(),
                            caption ? caption : "Error", backend::MB_OK);
    return true;
}
