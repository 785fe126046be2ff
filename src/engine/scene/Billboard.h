#pragma once
// A picture that stands on its base point and turns about the vertical axis to
// face the camera (trees, cacti, grass); one is shared by many placements.

#include "engine/platform/BoundingBox.h"
#include "engine/platform/Texture.h"

#include "engine/scene/SceneVertex.h"

#include "backend/math/MathTypes.h"

namespace backend {
class GpuVertexBuffer;
}
class TSimulator;

class Billboard {
public:
    Billboard() = default;
    ~Billboard();
    Billboard(const Billboard&) = delete;
    Billboard& operator=(const Billboard&) = delete;

    // uvRect: u left, v top, u right, v bottom. textureFile may be null.
    bool Load(const char* textureFile, float width, float height, uint32_t colour, const float uvRect[4]);
    bool CreateBuffer();
    BoundingBox GetBounds(const backend::Vector3& base) const;
    // The quad as a triangle strip standing on the origin, facing -z.
    void GetCorners(SceneVertex out[4]) const;
    // flat draws the shape black without depth test (the lens flare's occluders).
    void Render(bool flat);
    // The states of Render around a draw of billboards, and back.
    static void BeginDraw(bool flat);
    static void EndDraw(bool flat);
    // An animated box body (collisionRadius, height, collisionRadius) standing
    // on the point; nothing when collisionRadius is 0.
    bool AddToPhysics(TSimulator* simulator, const backend::Vector3& base) const;
    bool Restore();
    void Release();

    backend::GpuVertexBuffer* vertexBuffer = nullptr;
    Texture texture;
    float width = 0.0f;
    float height = 0.0f;
    uint32_t colour = 0;
    float uvRect[4] = {};
    backend::Vector3 position;
    backend::Matrix orientation;
    float collisionRadius = 0.0f;
    // Physics material index and collision id of its bodies.
    uint32_t material = 0;
};
