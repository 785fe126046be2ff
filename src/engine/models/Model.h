#pragma once
// The interface of the .x, .md2 and QVX models. Owners call Release and
// Destroy before deleting a model.

#include "backend/math/MathTypes.h"

#include <cstdint>

class BoundingBox;

class Model {
public:
    Model() = default;
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;
    virtual ~Model() = default;

    // Advances the named animation by one step; false when there is none.
    virtual bool Animate(const char* animationName, uint32_t loop, float step) = 0;
    virtual void Render(int32_t frame, bool flatColour) = 0;
    virtual void RenderDot3(int32_t frame, bool flatColour) = 0;
    virtual bool Restore() = 0;
    virtual void Release() = 0;
    virtual void Destroy() = 0;
    // The named animation's current frame, or -1 when there is none.
    virtual int32_t GetAnimationFrame(const char* animationName) = 0;
    virtual int32_t GetFrameCount() = 0;
    // The box of the frame's corners under `world`.
    virtual void GetFrameBounds(BoundingBox* out, int32_t frame, const backend::Matrix* world) = 0;

    // The loaded path; empty until a load succeeds.
    char name[260] = {};

protected:
    // Stores the path when it fits; false otherwise.
    bool SetName(const char* path);
    // A frame number inside 0..frameCount-1 (0 when there are no frames).
    static int32_t ClampFrame(int32_t frame, int32_t frameCount);
};
