#pragma once
// The common interface of the particle systems and the flare light. Creation
// is each class's own.

class Camera;

class EffectSystem {
public:
    virtual ~EffectSystem() = default;

    virtual void Reset() = 0;
    virtual bool Update() = 0;
    virtual void Render(const Camera* camera) = 0;
    virtual bool Restore() = 0;
    virtual void Release() = 0;
    virtual void Clear() = 0;
};
