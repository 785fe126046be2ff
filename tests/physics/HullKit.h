#pragma once
// Builds hull blocks for the tests from vertices and outward-wound faces.

#include "CollisionTestKit.h"

#include "physics/TConvex.h"
#include "physics/THullBlock.h"
#include "physics/TMath.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace collisionkit {

class HullBuilder {
public:
    HullBuilder(std::vector<TVec4> points, std::vector<std::vector<int>> faceLoops)
        : vertices(std::move(points)), loops(std::move(faceLoops))
    {
        std::map<std::pair<int, int>, int> edgeOf;
        for (size_t f = 0; f < loops.size(); ++f) {
            const auto& loop = loops[f];
            TVec4 n = Normalize3(Cross3(vertices[loop[1]] - vertices[loop[0]], vertices[loop[2]] - vertices[loop[0]]));
            n.w = Dot3(n, vertices[loop[0]]);
            planes.push_back(n);
            for (size_t k = 0; k < loop.size(); ++k) {
                int a = loop[k];
                int b = loop[(k + 1) % loop.size()];
                auto key = std::minmax(a, b);
                auto found = edgeOf.find(key);
                if (found == edgeOf.end()) {
                    edgeOf[key] = int(edges.size());
                    edges.push_back(THullEdge{{uint8_t(f), uint8_t(f)}, {uint8_t(key.first), uint8_t(key.second)}});
                } else {
                    edges[size_t(found->second)].face[1] = uint8_t(f);
                }
            }
        }
        block.faceCount = int32_t(planes.size());
        block.vertexCount = int32_t(vertices.size());
        block.edgeCount = int32_t(edges.size());
        block.planes = planes.data();
        block.vertices = vertices.data();
        block.edges = edges.data();
    }

    static HullBuilder Box(float hx, float hy, float hz)
    {
        std::vector<TVec4> points;
        for (int i = 0; i < 8; ++i) {
            points.push_back(Vec((i & 4) ? hx : -hx, (i & 2) ? hy : -hy, (i & 1) ? hz : -hz));
        }
        return HullBuilder(points,
                           {{2, 3, 7, 6}, {0, 4, 5, 1}, {4, 6, 7, 5}, {0, 1, 3, 2}, {1, 5, 7, 3}, {0, 2, 6, 4}});
    }

    static HullBuilder Octahedron(float r)
    {
        std::vector<TVec4> points = {Vec(r, 0, 0),  Vec(-r, 0, 0), Vec(0, r, 0),
                                     Vec(0, -r, 0), Vec(0, 0, r),  Vec(0, 0, -r)};
        return HullBuilder(points,
                           {{0, 2, 4}, {4, 2, 1}, {1, 2, 5}, {5, 2, 0}, {4, 3, 0}, {1, 3, 4}, {5, 3, 1}, {0, 3, 5}});
    }

    HullBuilder(const HullBuilder& other) : HullBuilder(other.vertices, other.loops) {}

    std::vector<TVec4> vertices;
    std::vector<std::vector<int>> loops;
    std::vector<TVec4> planes;
    std::vector<THullEdge> edges;
    THullBlock block;
};

// A convex point-set geometry over the hull.
inline TConvex PointSet(const HullBuilder& hull)
{
    TConvex c;
    c.SetDefault();
    c.SetPoints(&hull.block);
    return c;
}

inline Shape HullShape(const HullBuilder& hull, const TMat44& world)
{
    Shape s;
    for (const TVec4& v : hull.vertices) {
        s.vertices.push_back(ToD(TransformPoint(world, v)));
    }
    for (const TVec4& p : hull.planes) {
        s.normals.push_back(ToD(Rotate(world, p)));
    }
    for (const THullEdge& e : hull.edges) {
        s.edges.push_back(ToD(Rotate(world, hull.vertices[e.vertex[1]] - hull.vertices[e.vertex[0]])));
    }
    return s;
}

} // namespace collisionkit
