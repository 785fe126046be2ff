#include "engine/scene/Camera.h"

#include "engine/platform/BoxCorners.h"

#include "backend/math/MatrixMath.h"
#include "backend/math/Vector.h"

#include <algorithm>
#include <cmath>

using backend::Matrix;
using backend::Vector3;

namespace {

// The six planes of the box test, in counting order.
enum FrustumPlane { PLANE_NEAR, PLANE_FAR, PLANE_LEFT, PLANE_RIGHT, PLANE_BOTTOM, PLANE_TOP, PLANE_COUNT };

} // namespace

bool Camera::Set(float newFov, float newAspect, float newNear, float newFar, const Vector3* newEye,
                 const Vector3* newAngles)
{
    fov = newFov;
    aspect = newAspect;
    nearClip = newNear;
    farClip = newFar;
    eye = *newEye;
    angles = *newAngles;
    backend::MatrixPerspectiveFovLH(&projection, fov, aspect, nearClip, farClip);
    tanHalfWidth = std::tan(fov * aspect * 0.5f);
    tanHalfHeight = std::tan(fov * 0.5f);
    Update();
    return true;
}

void Camera::Update()
{
    Matrix yaw, pitch, roll, rotation, translation;
    backend::MatrixRotationY(&yaw, -angles.y);
    backend::MatrixRotationX(&pitch, angles.x);
    backend::MatrixRotationZ(&roll, angles.z);
    backend::MatrixMultiply(&rotation, &yaw, &pitch);
    backend::MatrixMultiply(&rotation, &rotation, &roll);
    backend::MatrixTranslation(&translation, -eye.x, -eye.y, -eye.z);
    backend::MatrixMultiply(&view, &translation, &rotation);

    const auto& r = rotation.m;
    right = {r[0][0], r[1][0], r[2][0]};
    up = {r[0][1], r[1][1], r[2][1]};
    forward = {r[0][2], r[1][2], r[2][2]};
    BuildFrustum();
}

void Camera::BuildFrustum()
{
    bool first = true;
    for (float d : {nearClip, farClip})
        for (float s : {-1.0f, 1.0f})
            for (float t : {-1.0f, 1.0f}) {
                Vector3 p = eye + forward * d + right * (s * d * tanHalfWidth) + up * (t * d * tanHalfHeight);
                if (first) {
                    frustumBox.min = frustumBox.max = p;
                    first = false;
                    continue;
                }
                frustumBox.min = {std::min(frustumBox.min.x, p.x), std::min(frustumBox.min.y, p.y),
                                  std::min(frustumBox.min.z, p.z)};
                frustumBox.max = {std::max(frustumBox.max.x, p.x), std::max(frustumBox.max.y, p.y),
                                  std::max(frustumBox.max.z, p.z)};
            }
}

bool Camera::IsPointInFrustum(const Vector3* point) const
{
    Vector3 v = *point - eye;
    float d = backend::Vec3Dot(&v, &forward);
    if (d < nearClip || d > farClip)
        return false;
    float r = backend::Vec3Dot(&v, &right);
    float halfWidth = d * tanHalfWidth;
    if (r < -halfWidth || r > halfWidth)
        return false;
    float u = backend::Vec3Dot(&v, &up);
    float halfHeight = d * tanHalfHeight;
    return u >= -halfHeight && u <= halfHeight;
}

bool Camera::IsBoxInFrustum(const BoundingBox* box) const
{
    const BoundingBox& f = frustumBox;
    if (box->max.x < f.min.x || box->min.x > f.max.x || box->max.y < f.min.y || box->min.y > f.max.y ||
        box->max.z < f.min.z || box->min.z > f.max.z)
        return false;

    BoxCorners corners;
    box->GetCorners(&corners);
    int outside[PLANE_COUNT] = {};
    for (const Vector3& corner : corners.corners) {
        Vector3 v = corner - eye;
        float d = backend::Vec3Dot(&v, &forward);
        float r = backend::Vec3Dot(&v, &right);
        float u = backend::Vec3Dot(&v, &up);
        float halfWidth = d * tanHalfWidth, halfHeight = d * tanHalfHeight;
        bool in = true;
        if (d < nearClip) {
            ++outside[PLANE_NEAR];
            in = false;
        }
        if (d > farClip) {
            ++outside[PLANE_FAR];
            in = false;
        }
        if (r < -halfWidth) {
            ++outside[PLANE_LEFT];
            in = false;
        }
        if (r > halfWidth) {
            ++outside[PLANE_RIGHT];
            in = false;
        }
        if (u < -halfHeight) {
            ++outside[PLANE_BOTTOM];
            in = false;
        }
        if (u > halfHeight) {
            ++outside[PLANE_TOP];
            in = false;
        }
        if (in)
            return true;
    }
    for (int count : outside)
        if (count == 8)
            return false;
    return true;
}
