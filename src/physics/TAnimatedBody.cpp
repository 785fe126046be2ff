#include "physics/TAnimatedBody.h"

TAnimatedBody::TAnimatedBody()
{
    kind = TBODY_ANIMATED;
}

void TAnimatedBody::SetPosition(const TVec4* newPosition)
{
    position = Vec(newPosition->x, newPosition->y, newPosition->z, 1.0f);
    UpdateWorldBoundsImpl();
    moved = 1;
}

void TAnimatedBody::SetRotation(const TMat34* newRotation)
{
    rotation = *newRotation;
    moved = 1;
}

void TAnimatedBody::UpdateWorldBoundsImpl()
{
    UpdateWorldBounds();
}
