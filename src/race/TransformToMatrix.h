#pragma once
// A physics transform (rows: x, y and z axes, then position) as a world matrix.

#include "backend/math/MathTypes.h"
#include "physics/TMath.h"

// Rows 0..2 are the axes with w 0, row 3 the position with w 1; returns out.
backend::Matrix* TransformToMatrix(backend::Matrix* out, const TMat44* in);
