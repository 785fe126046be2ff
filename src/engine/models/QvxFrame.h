#pragma once
// One frame of a QVX model: its meshes and the corners of its box.

#include "engine/models/QvxMesh.h"
#include "engine/platform/BoxCorners.h"

#include <vector>

struct QvxFrame {
    BoxCorners corners;
    std::vector<QvxMesh> meshes;
};
