#include "engine/platform/Light.h"

void Light::SetDirectional(const backend::Vector3* direction, float range, float diffuseR, float diffuseG,
                           float diffuseB, float diffuseA, float ambientR, float ambientG, float ambientB,
                           float ambientA, float specularR, float specularG, float specularB, float specularA)
{
    static_cast<backend::GpuLight&>(*this) = backend::GpuLight{};
    Type = backend::D3DLIGHT_DIRECTIONAL;
    Diffuse = {diffuseR, diffuseG, diffuseB, diffuseA};
    Ambient = {ambientR, ambientG, ambientB, ambientA};
    Specular = {specularR, specularG, specularB, specularA};
    Direction = *direction;
    Range = range;
}
