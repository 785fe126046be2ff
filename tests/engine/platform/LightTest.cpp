#include "engine/platform/Light.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(Light, SetDirectionalFillsEachColourFieldAndClearsTheRest)
{
    Light light;
    light.Position = {1, 2, 3};
    light.Attenuation1 = 5;
    light.Phi = 2;
    backend::Vector3 direction{0, -1, 1};
    light.SetDirectional(&direction, 1000.0f, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 0.25f, 0.35f,
                         0.45f);
    EXPECT_EQ(light.Type, backend::D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(light.Diffuse.r, 0.1f);
    EXPECT_EQ(light.Diffuse.a, 0.4f);
    EXPECT_EQ(light.Ambient.r, 0.5f);
    EXPECT_EQ(light.Ambient.a, 0.8f);
    EXPECT_EQ(light.Specular.r, 0.9f);
    EXPECT_EQ(light.Specular.a, 0.45f);
    EXPECT_EQ(light.Direction.y, -1.0f); // stored as given, not normalised
    EXPECT_EQ(light.Direction.z, 1.0f);
    EXPECT_EQ(light.Range, 1000.0f);
    EXPECT_EQ(light.Position.x, 0.0f);
    EXPECT_EQ(light.Attenuation1, 0.0f);
    EXPECT_EQ(light.Phi, 0.0f);
    // The record keeps the device's layout: Diffuse, Specular, Ambient.
    float floats[26];
    static_assert(sizeof floats == sizeof light);
    std::memcpy(floats, &light, sizeof light);
    EXPECT_EQ(floats[1], 0.1f);
    EXPECT_EQ(floats[5], 0.9f);
    EXPECT_EQ(floats[9], 0.5f);
    EXPECT_EQ(floats[19], 1000.0f);
}
