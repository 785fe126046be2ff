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

void TAnimatedBody::SetRotation(const float rows[3][4])
{
    TMat34 turned = RotationFromRows(rows);
    SetRotation(&turned);
}

void TAnimatedBody::UpdateWorldBoundsImpl()
{
    UpdateWorldBounds();
}
