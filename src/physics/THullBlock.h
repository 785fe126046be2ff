#pragma once
// A convex hull as a type 8 geometry sees it: face planes, vertices, the faces' lists and the edges,
// all in the geometry's frame. Byte lists end with 255. Pointers are native.

#include "physics/TMath.h"

#include <cstdint>

constexpr uint8_t THULL_LIST_END = 255;

struct THullEdge {
    uint8_t face[2];
    uint8_t vertex[2];
};

struct THullFace {
    const uint8_t* neighbours; // neighbouring faces
    const uint8_t* vertices;
    const uint8_t* edges;
};

struct THullBlock {
    int32_t faceCount = 0;
    int32_t vertexCount = 0;
    int32_t edgeCount = 0;
    int32_t reserved = 0;
    const TVec4* planes = nullptr; // unit outward normal x, y, z and offset w: n . p = w on the face
    const TVec4* vertices = nullptr;
    const THullFace* faces = nullptr;
    const uint8_t* const* vertexEdges = nullptr; // per vertex, its edge indices
    const THullEdge* edges = nullptr;
};
