#pragma once
// Per-triangle box tests, shared by the single-triangle and triangle-set pair tests.

#include "physics/TBoxFrame.h"
#include "physics/TTriangleFrame.h"

// Separating axes of a box and a triangle; true with a hit in the result.
bool TestBoxTriangle(TBoxFrame& box, TBoxSatResult* result, const TTriangleFrame& triangle);
bool TestBoxTriangleFaceAxis(const TBoxFrame& box, TBoxSatResult* result, const TTriangleFrame& triangle, int k);
bool TestBoxTriangleEdgeAxis(const TBoxFrame& box, TBoxSatResult* result, const TTriangleFrame& triangle, int i, int j);
// Height-field triangle: the deepest box corner below the triangle's plane, straight up.
bool TestBoxTriangleVertical(TBoxFrame& box, TBoxSatResult* result, const TTriangleFrame& triangle);
