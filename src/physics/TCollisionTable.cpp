#include "physics/TCollisionTable.h"

TCollisionTable::TCollisionTable()
{
    Reset();
}

void TCollisionTable::Reset()
{
    for (int i = 0; i < COLLISION_ID_COUNT; ++i) {
        for (int j = 0; j < COLLISION_ID_COUNT; ++j) {
            pairs[i][j] = TCOLLISION_RESOLVE;
        }
        terrain[i] = TCOLLISION_RESOLVE;
    }
}

void TCollisionTable::Set(int id1, int id2, uint32_t response)
{
    if (!IsValidId(id1) || !IsValidId(id2)) {
        return;
    }
    if (id1 >= 0 && id2 >= 0) {
        pairs[id1][id2] = response;
        pairs[id2][id1] = response;
    } else if (id1 >= 0) {
        terrain[id1] = response;
    } else if (id2 >= 0) {
        terrain[id2] = response;
    }
}

uint32_t TCollisionTable::Get(int id1, int id2) const
{
    if (!IsValidId(id1) || !IsValidId(id2)) {
        return TCOLLISION_RESOLVE;
    }
    if (id1 >= 0 && id2 >= 0) {
        return pairs[id1][id2];
    }
    if (id1 >= 0) {
        return terrain[id1];
    }
    if (id2 >= 0) {
        return terrain[id2];
    }
    return TCOLLISION_NONE;
}
