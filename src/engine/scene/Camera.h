#pragma once
// The 3D scene's camera: projection and view matrices, eye and axes, and the
// point and box tests against its view frustum that culling uses.

#include "engine/platform/BoundingBox.h"

#include "backend/math/MathTypes.h"

class Camera {
public:
    // Stores the lens and pose, builds the projection, then Update. Always true.
    bool Set(float fov, float aspect, float nearClip, float farClip, const backend::Vector3* eye,
             const backend::Vector3* angles);
    // Rebuilds the view matrix, the axes and the frustum from eye and angles.
    void Update();
    // frustumBox = the world box around the eight corners of the frustum.
    void BuildFrustum();
    // Inside the near and far distances and the side and top planes (bounds included).
    bool IsPointInFrustum(const backend::Vector3* point) const;
    // False when the box misses the frustum's world box or has all eight corners
    // outside one plane; true otherwise (a straddling box may be accepted).
    bool IsBoxInFrustum(const BoundingBox* box) const;

    backend::Matrix projection;
    backend::Matrix view;
    backend::Vector3 eye;
    // Pitch about x, yaw about y, roll about z, radians.
    backend::Vector3 angles;
    backend::Vector3 forward;
    backend::Vector3 up;
    backend::Vector3 right;
    float nearClip = 0.0f;
    float farClip = 0.0f;
    float fov = 0.0f;
    float aspect = 0.0f;
    // tan(fov x aspect / 2): a little wider than the drawn picture.
    float tanHalfWidth = 0.0f;
    float tanHalfHeight = 0.0f;
    BoundingBox frustumBox;
};
