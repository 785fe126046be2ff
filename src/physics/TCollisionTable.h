#pragma once
// Response of every pair of collision ids, plus each id against the terrain (id -1).

#include <cstdint>

enum TCollisionResponse : uint32_t {
    TCOLLISION_NONE = 0,     // never tested
    TCOLLISION_RESOLVE = 1,  // contacts are resolved
    TCOLLISION_CALLBACK = 2, // the collision callback is called
};

constexpr int COLLISION_ID_COUNT = 64;
constexpr int TERRAIN_COLLISION_ID = -1;

class TCollisionTable {
public:
    TCollisionTable();

    // Ids outside -1..63 are refused: Set does nothing, Get answers 1 (the initial value).
    void Set(int id1, int id2, uint32_t response);
    uint32_t Get(int id1, int id2) const;
    void Reset();

    static bool IsValidId(int id) { return id >= TERRAIN_COLLISION_ID && id < COLLISION_ID_COUNT; }

private:
    uint32_t pairs[COLLISION_ID_COUNT][COLLISION_ID_COUNT];
    uint32_t terrain[COLLISION_ID_COUNT];
};
