#include "engine/scene/Terrain.h"

#include "engine/platform/Log.h"
#include "engine/platform/MathUtil.h"

#include "backend/math/MatrixMath.h"
#include "backend/math/Vector.h"
#include "physics/TTerrainMesh.h"

#include <algorithm>
#include <cmath>

using backend::Vector3;

Terrain::~Terrain()
{
    ReleaseBuffers();
    for (auto& pass : passes) {
        pass->colourTexture.Release();
        pass->alphaTexture.Release();
    }
}

bool Terrain::Init(const Vector3* newSize, int newCellsX, int newCellsZ, int newPatchesX, int newPatchesZ)
{
    if (newCellsX < 1 || newCellsZ < 1 || newPatchesX < 1 || newPatchesZ < 1 || newCellsX % newPatchesX != 0 ||
        newCellsZ % newPatchesZ != 0)
        return ReportError("Error initializing terrain!");
    size = *newSize;
    cellsX = newCellsX;
    cellsZ = newCellsZ;
    patchesX = newPatchesX;
    patchesZ = newPatchesZ;
    cellSizeX = size.x / float(cellsX);
    cellSizeZ = size.z / float(cellsZ);
    cellsPerPatchX = cellsX / patchesX;
    cellsPerPatchZ = cellsZ / patchesZ;
    vertexCount = (cellsX + 1) * (cellsZ + 1);
    indexCount = 6 * cellsX * cellsZ;
    triangleCount = 2 * cellsX * cellsZ;
    patchVertexCount = (cellsPerPatchX + 1) * (cellsPerPatchZ + 1);
    patchIndexCount = 6 * cellsPerPatchX * cellsPerPatchZ;
    patchTriangleCount = 2 * cellsPerPatchX * cellsPerPatchZ;
    return true;
}

bool Terrain::LoadHeightMap(const char* path, int width, int height, uint32_t format)
{
    if (width < 1 || height < 1)
        return ReportError("Error reading RAW file: Bad data!");
    return heightMap.Load(path, uint32_t(width), uint32_t(height), format);
}

bool Terrain::Build(bool smooth, bool smoothBorders)
{
    LogMessage("\nBuilding terrain...");
    if (cellsX < 1 || cellsZ < 1 || heightMap.data == nullptr || heightMap.GetBytesPerPixel() != 1)
        return ReportError("Error building terrain!");

    // Vertex grid: row 0 along the +z edge, column 0 along the -x edge. The
    // grid coordinate runs from -cells/2 in whole steps, so odd counts work too.
    heights.Build(heightMap.data, int(heightMap.width), int(heightMap.height), cellsX, cellsZ, size.x, size.y, size.z);
    if (smooth)
        heights.Smooth(smoothBorders);
    // Nothing reads the samples again: the heights answer the ground queries.
    heightMap.Clear();
    vertices.assign(size_t(vertexCount), TerrainVertex());
    for (int row = 0; row <= cellsZ; ++row) {
        const float tZ = float(row) / float(cellsZ);
        const float gz = float(row) - float(cellsZ) * 0.5f;
        for (int column = 0; column <= cellsX; ++column) {
            const float tX = float(column) / float(cellsX);
            const float gx = float(column) - float(cellsX) * 0.5f;
            TerrainVertex& v = vertices[size_t(row) * (cellsX + 1) + column];
            v.position = {gx * cellSizeX, heights.At(row, column), -gz * cellSizeZ};
            v.u = tX;
            v.v = tZ;
        }
    }

    const uint32_t stride = uint32_t(cellsX + 1);
    indices.resize(size_t(indexCount));
    size_t k = 0;
    for (uint32_t z = 0; z < uint32_t(cellsZ); ++z)
        for (uint32_t x = 0; x < uint32_t(cellsX); ++x) {
            indices[k++] = z * stride + x;
            indices[k++] = z * stride + x + 1;
            indices[k++] = (z + 1) * stride + x + 1;
            indices[k++] = z * stride + x;
            indices[k++] = (z + 1) * stride + x + 1;
            indices[k++] = (z + 1) * stride + x;
        }
    ComputeNormals();

    ReleaseBuffers();
    patches.assign(size_t(patchesX) * patchesZ, TerrainPatch());
    backend::MatrixTranslation(&world, position.x, position.y, position.z);
    BuildPatchTree();

    material = backend::GpuMaterial();
    material.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    material.Ambient = {1.0f, 1.0f, 1.0f, 0.0f};
    return CreateBuffers();
}

void Terrain::ComputeNormals()
{
    std::vector<Vector3> sums(vertices.size());
    std::vector<int> counts(vertices.size(), 0);
    for (size_t t = 0; t + 2 < indices.size(); t += 3) {
        const uint32_t a = indices[t], b = indices[t + 1], c = indices[t + 2];
        Vector3 n;
        ComputeTriangleNormal(&n, &vertices[a].position, &vertices[b].position, &vertices[c].position);
        for (uint32_t i : {a, b, c}) {
            sums[i] += n;
            ++counts[i];
        }
    }
    for (size_t i = 0; i < vertices.size(); ++i) {
        Vector3 mean = counts[i] > 0 ? sums[i] / float(counts[i]) : Vector3{0.0f, 1.0f, 0.0f};
        backend::Vec3Normalize(&vertices[i].normal, &mean);
    }
}

void Terrain::BuildPatchTree()
{
    for (int pz = 0; pz < patchesZ; ++pz)
        for (int px = 0; px < patchesX; ++px) {
            const uint32_t number = uint32_t(pz * patchesX + px);
            TerrainPatch& patch = patches[number];
            patch.firstVertex = number * uint32_t(patchVertexCount);
            patch.firstIndex = number * uint32_t(patchIndexCount);
            BoundingBox& box = patch.bounds;
            bool first = true;
            for (int row = pz * cellsPerPatchZ; row <= (pz + 1) * cellsPerPatchZ; ++row)
                for (int column = px * cellsPerPatchX; column <= (px + 1) * cellsPerPatchX; ++column) {
                    const Vector3 p = VertexAt(row, column).position + position;
                    if (first) {
                        box.min = box.max = p;
                        first = false;
                        continue;
                    }
                    box.min = {std::min(box.min.x, p.x), std::min(box.min.y, p.y), std::min(box.min.z, p.z)};
                    box.max = {std::max(box.max.x, p.x), std::max(box.max.y, p.y), std::max(box.max.z, p.z)};
                }
        }
    const Vector3 centre = {position.x, position.y + size.y * 0.5f, position.z};
    patchTree.Begin(centre, size, TERRAIN_TREE_DEPTH);
    for (TerrainPatch& patch : patches)
        patchTree.Place(&patch);
    patchTree.Prune();
    patchVisible.assign(patches.size(), 0);
    runs.reserve(patches.size());
}

bool Terrain::AddPass(const char* textureFile, const char* alphaMapFile, float tileU, float tileV, bool opaque)
{
    LogMessage("\nAdding new pass to terrain...");
    passes.push_back(std::make_unique<TerrainPass>());
    TerrainPass& pass = *passes.back();
    if (!pass.colourTexture.Load(textureFile))
        return false;
    if (alphaMapFile != nullptr && alphaMapFile[0] != '\0' && !pass.alphaTexture.Load(alphaMapFile))
        return false;
    pass.tileU = tileU == 0.0f ? 1.0f : tileU;
    pass.tileV = tileV == 0.0f ? 1.0f : tileV;
    backend::MatrixScaling(&pass.textureMatrix, pass.tileU, pass.tileV, 1.0f);
    pass.opaque = opaque;
    return true;
}

bool Terrain::GetSurfacePoint(const Vector3* point, Vector3* out) const
{
    if (vertices.empty())
        return false;
    const Vector3 local = *point - position;
    float h = 0.0f;
    if (!heights.HeightAt(local.x, local.z, &h))
        return false;
    *out = Vector3{local.x, h, local.z} + position;
    return true;
}

bool Terrain::SnapToGround(Vector3* point, float offset) const
{
    Vector3 surface;
    if (!GetSurfacePoint(point, &surface))
        return false;
    point->y = surface.y + offset;
    return true;
}

bool Terrain::SnapToGroundXZ(Vector3* point, float offset) const
{
    const Vector3 query = {point->x, 0.0f, point->z};
    Vector3 surface;
    if (!GetSurfacePoint(&query, &surface))
        return false;
    point->y = surface.y + offset;
    return true;
}

void Terrain::BuildCollisionMesh(TTerrainMesh* out, uint32_t materialIndex) const
{
    TVec4* meshVertices = new TVec4[vertices.size()];
    for (size_t i = 0; i < vertices.size(); ++i) {
        const Vector3 p = vertices[i].position + position;
        meshVertices[i] = Vec(p.x, p.y, p.z, 0.0f);
    }
    const size_t triangles = indices.size() / 3;
    TTerrainTriangle* meshTriangles = new TTerrainTriangle[triangles];
    for (size_t t = 0; t < triangles; ++t) {
        TTerrainTriangle& triangle = meshTriangles[t];
        triangle.a = indices[t * 3];
        triangle.b = indices[t * 3 + 1];
        triangle.c = indices[t * 3 + 2];
        triangle.material = materialIndex;
        triangle.flags = 0;
        triangle.tag = 0;
    }
    out->vertices = meshVertices;
    out->vertexCount = int32_t(vertices.size());
    out->triangles = meshTriangles;
    out->triangleCount = int32_t(triangles);
}

void Terrain::Destroy()
{
    for (auto& pass : passes) {
        pass->colourTexture.Release();
        pass->alphaTexture.Release();
    }
    passes.clear();
    patchTree.Clear();
    ReleaseBuffers();
    std::vector<TerrainVertex>().swap(vertices);
    std::vector<uint32_t>().swap(indices);
    std::vector<TerrainPatch>().swap(patches);
    std::vector<uint8_t>().swap(patchVisible);
    std::vector<TerrainRun>().swap(runs);
    heights.Clear();
    heightMap.Clear();
}
