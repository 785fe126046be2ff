#pragma once

// Clamps `value` into [lo, hi]: 2 when it was above hi, 1 when below lo,
// 0 when it was inside (a bound itself counts as inside).
int ClampValue(float& value, float lo, float hi);
