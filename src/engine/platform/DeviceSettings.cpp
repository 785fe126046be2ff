#include "engine/platform/DeviceSettings.h"

DeviceSettings g_DeviceSettings;
