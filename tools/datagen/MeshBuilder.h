#pragma once
// Builds the sample models from convex parts (boxes, beams, cylinders and
// ellipsoids). Triangles are kept with (b - a) x (c - a) pointing out of the
// part; the conversions give each file format its own winding.

#include "datagen/writers/ModelTypes.h"
#include "datagen/writers/QvxWriter.h"
#include "datagen/writers/XFileWriter.h"

#include <cstdint>
#include <vector>

namespace datagen {

struct UvRect {
    float u0 = 0.0f, v0 = 0.0f, u1 = 1.0f, v1 = 1.0f;
};

class MeshBuilder {
public:
    void AddBox(Float3 centre, Float3 size, UvRect uv);
    // A box of square section `thickness` from a to b.
    void AddBeam(Float3 a, Float3 b, float thickness, UvRect uv);
    // A closed cylinder whose axis runs along x.
    void AddCylinderX(Float3 centre, float radius, float width, int segments, UvRect side, UvRect caps);
    void AddEllipsoid(Float3 centre, Float3 radii, int rings, int segments, UvRect uv);

    // Rotates every position and normal about the z axis through `pivot`; positive
    // angles turn +y towards +x.
    void RotateZ(float angle, Float3 pivot);
    // Scales each axis so that the bounding box gets exactly `size`, then centres it.
    void FitTo(Float3 size);
    // Moves the model so that its bounding box is centred on the origin; returns the move.
    Float3 Recentre();
    void Translate(Float3 offset);
    // Bounding box corners.
    void Bounds(Float3& low, Float3& high) const;

    // Counter-clockwise fronts, one texture coordinate per position.
    QvxMesh ToQvx() const;
    // Clockwise fronts with normals and texture coordinates; one material for every face.
    XMesh ToXMesh(const char* name, const XMaterial& material) const;

    std::vector<Float3> positions;
    std::vector<Float3> normals;
    std::vector<Float2> texCoords;
    std::vector<Triangle16> triangles;

private:
    uint16_t AddVertex(Float3 p, Float3 n, Float2 uv);
    // Adds a triangle facing away from `inside`; degenerate ones are dropped.
    void AddOutward(uint16_t a, uint16_t b, uint16_t c, Float3 inside);
};

} // namespace datagen
