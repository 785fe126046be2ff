#pragma once
// Terrain meshes for the tests: height grids and single triangles, with triangle-set geometries over them.

#include "CollisionTestKit.h"

#include "physics/TConvex.h"
#include "physics/TMath.h"
#include "physics/TTerrainTriangle.h"
#include "physics/TTriangleFrame.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace collisionkit {

struct TestMesh {
    std::vector<TVec4> vertices;
    std::vector<TTerrainTriangle> triangles;
    std::vector<uint32_t> indices; // every triangle

    // Triangle-set geometry over all triangles.
    TConvex Set() const
    {
        TConvex c;
        c.SetDefault();
        c.SetTriangleSet(indices.data(), int32_t(indices.size()), triangles.data(), vertices.data());
        return c;
    }

    void Add(const TVec4& a, const TVec4& b, const TVec4& c, uint32_t material = 0, uint32_t flags = 0)
    {
        uint32_t base = uint32_t(vertices.size());
        vertices.push_back(a);
        vertices.push_back(b);
        vertices.push_back(c);
        TTerrainTriangle t;
        t.a = base;
        t.b = base + 1;
        t.c = base + 2;
        t.material = material;
        t.flags = flags;
        t.tag = uint32_t(triangles.size()) + 100;
        triangles.push_back(t);
        indices.push_back(uint32_t(triangles.size() - 1));
    }
};

// A grid of cells x cells squares of the given size, heights from a function, normals facing up.
inline TestMesh HeightGrid(int cells, float cellSize, const std::function<float(float, float)>& height,
                           uint32_t material = 0)
{
    TestMesh mesh;
    int side = cells + 1;
    for (int z = 0; z < side; ++z) {
        for (int x = 0; x < side; ++x) {
            float px = x * cellSize;
            float pz = z * cellSize;
            mesh.vertices.push_back(Vec(px, height(px, pz), pz, 1.0f));
        }
    }
    for (int z = 0; z < cells; ++z) {
        for (int x = 0; x < cells; ++x) {
            uint32_t i0 = uint32_t(z * side + x);
            uint32_t i1 = i0 + 1;
            uint32_t i2 = i0 + uint32_t(side) + 1;
            uint32_t i3 = i0 + uint32_t(side);
            for (auto [a, b, c] : {std::tuple{i0, i2, i1}, std::tuple{i0, i3, i2}}) {
                TTerrainTriangle t;
                t.a = a;
                t.b = b;
                t.c = c;
                t.material = material;
                mesh.triangles.push_back(t);
                mesh.indices.push_back(uint32_t(mesh.triangles.size() - 1));
            }
        }
    }
    return mesh;
}

// Adds one random triangle within +-extent; false when it has no area, which the
// random tests skip.
inline bool AddRandomTriangle(TestMesh& mesh, Rng& rng, float extent, uint32_t material = 0)
{
    mesh.Add(rng.Point(extent), rng.Point(extent), rng.Point(extent), material);
    const size_t last = mesh.vertices.size() - 3;
    return !TTriangleFrame(mesh.vertices[last], mesh.vertices[last + 1], mesh.vertices[last + 2]).IsDegenerate();
}

} // namespace collisionkit
