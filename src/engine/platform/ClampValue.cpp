#include "engine/platform/ClampValue.h"

int ClampValue(float& value, float lo, float hi)
{
    if (value > hi) {
        value = hi;
        return 2;
    }
    if (value < lo) {
        value = lo;
        return 1;
    }
    return 0;
}
