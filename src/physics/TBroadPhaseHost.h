#pragma once
// What the broad phase asks of the world that owns the bodies.

#include "physics/TMath.h"

#include <cstdint>

class TBody;

class TBroadPhaseHost {
public:
    virtual ~TBroadPhaseHost() = default;
    // Whether the body's pool slot is in use.
    virtual bool IsBodyLive(TBody* body) = 0;
    // Recomputes the body's world box and returns it.
    virtual void ComputeWorldBounds(TBody* body, TVec4* min, TVec4* max) = 0;
    // Collision-table response of the two bodies' collision ids (0: never tested).
    virtual uint32_t GetPairResponse(TBody* a, TBody* b) = 0;
    // Delivers an engine message under the log rule.
    virtual void Log(int level, const char* text) = 0;
};
