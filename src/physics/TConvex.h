#pragma once
// One collision primitive of a body, placed in the body by a local transform. A body also embeds one
// TConvex as its bounding record: its `next` heads the body's geometry list and `geometryCount` counts it.

#include "physics/TMath.h"
#include "physics/TTerrainTriangle.h"

#include <cstdint>

struct THullBlock;

enum TConvexType : int32_t {
    TCONVEX_SINGLE_TRIANGLE = 2, // three vertex indices into vertexArray
    TCONVEX_BOX = 3,             // half extents
    TCONVEX_SPHERE = 4,          // radius, radius squared
    TCONVEX_CAPSULE = 5,         // radius, radius squared, half height along local y
    TCONVEX_TRIANGLE = 6,        // candidate terrain triangles, world coordinates
    TCONVEX_SCALED_POINTS = 7,   // points scaled by scaleFactor
    TCONVEX_POINTS = 8,          // convex hull block
};

class TConvex {
public:
    void SetDefault();
    void SetBoxSizeImpl(float x, float y, float z); // full sizes
    void SetBoxSize(const TVec4* fullSizes) { SetBoxSizeImpl(fullSizes->x, fullSizes->y, fullSizes->z); }
    void SetSphereDiameter(float diameter);
    void SetCapsule(float radius, float halfHeight);
    void SetTransformImpl(const TMat44* matrix) { transform = *matrix; }
    void SetTransform(const TMat44* matrix) { SetTransformImpl(matrix); }
    void SetMaterialIndexImpl(int32_t index) { materialIndex = index; }
    void SetMaterialIndex(int32_t index) { SetMaterialIndexImpl(index); }
    void SetTriangleSet(const uint32_t* indices, int32_t count, const TTerrainTriangle* triangles,
                        const TVec4* vertices);
    void SetSingleTriangle(uint32_t i0, uint32_t i1, uint32_t i2, const TVec4* vertices);
    void SetPoints(const THullBlock* hull);
    void SetScaledPoints(const TVec4* points, int32_t count, float scale);

    // Largest distance of the primitive from the body origin.
    float GetExtend() const;
    // Axis-aligned box in body coordinates; false (outputs untouched) for the triangle kinds.
    bool GetLocalBounds(TVec4* min, TVec4* max) const;
    // On a body's bounding record: rebuilds it from the geometry list.
    void BuildBoundingConvex();

    float Radius() const { return dims[0]; }
    float RadiusSquared() const { return dims[1]; }
    float HalfHeight() const { return dims[2]; }
    TVec4 HalfExtents() const { return Vec(dims[0], dims[1], dims[2]); }

    float dims[4] = {}; // box half extents; sphere r, r^2; capsule r, r^2, half height
    TMat44 transform = IdentityMat44();
    float boundingRadius = 0.0f;
    float scaleFactor = 0.0f;
    int32_t type = TCONVEX_BOX;
    int32_t materialIndex = 0;
    int32_t reserved = 0;
    TVec4 inertia;
    TVec4 vector;
    float mass = 1.0f;
    float words[4] = {};

    // Parameters of the triangle and point kinds.
    const uint32_t* triangleIndices = nullptr;   // type 6
    int32_t triangleCount = 0;                   // type 6
    const TTerrainTriangle* triangles = nullptr; // type 6
    uint32_t vertexIndex[3] = {};                // type 2
    const THullBlock* hull = nullptr;            // type 8
    const TVec4* points = nullptr;               // types 7 and 8
    int32_t pointCount = 0;                      // types 7 and 8
    const TVec4* vertexArray = nullptr;          // types 2 and 6

    TConvex* next = nullptr; // geometry list; on a bounding record, the head
    TConvex* prev = nullptr;
    int32_t geometryCount = 0; // on a bounding record only
    uint8_t inUse = 0;
};

// Inertia diagonal of a box of the given full sizes and mass.
TVec4 ComputeInertiaFromExtents(float x, float y, float z, float mass);
