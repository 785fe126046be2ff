#pragma once
// One triangle of the terrain mesh, copied byte for byte from the caller.

#include <cstdint>

// Flag word values: which pair tests take the triangle part.
enum TTerrainTriangleFlag : uint32_t {
    TTRIANGLE_ORDINARY = 0,     // every triangle test
    TTRIANGLE_HEIGHT_FIELD = 1, // vertical test against boxes, skipped by spheres
};

struct TTerrainTriangle {
    uint32_t a = 0; // vertex indices
    uint32_t b = 0;
    uint32_t c = 0;
    uint32_t material = 0; // index into the material table
    uint32_t flags = 0;    // TTerrainTriangleFlag; other values take part in no test
    uint32_t tag = 0;      // travels with the triangle to the contact
};
static_assert(sizeof(TTerrainTriangle) == 24, "terrain triangles are six 32-bit words");
