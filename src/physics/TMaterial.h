#pragma once
// One entry of the simulator's material table.

struct TMaterial {
    float friction = 0.5f;
    float restitution = 0.4f;
    float density = 1.0f;
};

constexpr int MATERIAL_COUNT = 256;
