#pragma once
// The dynamic vertex and index buffers of a particle system: four vertices
// and six 16-bit indices per particle, one draw for all of them.

#include "engine/scene/SceneVertex.h"

#include "backend/math/MathTypes.h"

#include <cstdint>

namespace backend {
class GpuVertexBuffer;
class GpuIndexBuffer;
} // namespace backend
class Camera;

// 16-bit indices address at most this many particles.
constexpr int MAX_PARTICLES = 16384;

class ParticleBuffers {
public:
    ParticleBuffers() = default;
    ~ParticleBuffers() { Release(); }
    ParticleBuffers(const ParticleBuffers&) = delete;
    ParticleBuffers& operator=(const ParticleBuffers&) = delete;

    // Buffers for `count` particles, indices written once.
    bool Create(int count);
    void Release();
    // The vertices of the first `quads` quads, to be written whole: only they
    // reach the device at Unlock. Null on failure or beyond the capacity.
    SceneVertex* Lock(int quads);
    void Unlock();
    // Draws the first `quads` quads as indexed triangles.
    bool Draw(int quads);

    backend::GpuVertexBuffer* vertexBuffer = nullptr;
    backend::GpuIndexBuffer* indexBuffer = nullptr;
    int capacity = 0;
};

// Texture coordinates of a particle quad's corners, in vertex order.
constexpr float PARTICLE_UV[4][2] = {{0.0f, 1.0f}, {0.0f, 0.0f}, {1.0f, 1.0f}, {1.0f, 0.0f}};

// RotationY(yaw) x RotationX(-pitch) x RotationZ(0) of the camera: turns a
// quad in the xy plane toward the camera.
void BuildFacingRotation(backend::Matrix* out, const Camera& camera);
// The corners (-s, -s), (-s, +s), (+s, -s), (+s, +s) turned by `rotation`.
void BuildQuadCorners(backend::Vector3 out[4], float s, const backend::Matrix& rotation);
