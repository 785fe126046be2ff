#pragma once
// The game's inertia rule: 2 * s * s * mass / 3 on every axis, s the largest size.

#include "physics/TMath.h"

TVec4* ComputeInertiaFromSize(TVec4* out, const TVec4* sizes, float mass);
