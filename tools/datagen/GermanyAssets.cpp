// Germany: an overcast rainy sky over flat grassland; wet asphalt, run-off
// sand; covered stands of seats and stacks of painted tyres.

#include "datagen/SampleData.h"
#include "datagen/TrackAssets.h"
#include "tracks/GermanyDefs.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace datagen {

namespace {

const std::string TEXTURES = "Graphics\\Tracks\\Germany\\Textures\\";
const std::string MODELS = "Graphics\\Tracks\\Germany\\Models\\";
constexpr uint32_t SIZE = 256;
// Seats atlas: the seat rows on the left half, concrete top right, roof bottom right.
constexpr UvRect SEATS = {0.0f, 0.0f, 0.5f, 1.0f};
constexpr UvRect CONCRETE = {0.5f, 0.0f, 1.0f, 0.5f};
constexpr UvRect ROOF = {0.5f, 0.5f, 1.0f, 1.0f};
// Tyre texture: the tread bands above, the top of the stack in the last eighth.
constexpr UvRect TREAD = {0.0f, 0.0f, 1.0f, 0.875f};
constexpr UvRect TOP = {0.0f, 0.875f, 1.0f, 1.0f};

template <class Shade> RgbaImage Paint(uint32_t width, uint32_t height, Shade shade)
{
    RgbaImage image(width, height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            image.At(x, y) = shade((float(x) + 0.5f) / float(width), (float(y) + 0.5f) / float(height), x, y);
    return image;
}

RgbaImage Grass()
{
    return Paint(SIZE, SIZE, [](float u, float v, uint32_t, uint32_t) {
        const float patches = TileNoise(u, v, 4, 4, 801), fine = TileNoise(u, v, 64, 2, 802);
        return ShadeColor(MixColor(Argb(255, 62, 112, 44), Argb(255, 96, 140, 58), patches),
                          0.8f + 0.3f * (fine - 0.5f));
    });
}

RgbaImage Sand()
{
    return Paint(SIZE, SIZE, [](float u, float v, uint32_t x, uint32_t y) {
        const float broad = TileNoise(u, v, 5, 3, 811), fine = TileNoise(u, v, 90, 1, 812);
        float shade = 0.8f + 0.2f * broad + 0.3f * (fine - 0.5f);
        if (Random01(813, y * SIZE + x) > 0.98f)
            shade *= 0.7f;
        // Damp sand, darker where the rain stands.
        return ShadeColor(Argb(255, 176, 156, 116), shade);
    });
}

// Fine grain only: a tile spans one metre.
RgbaImage Asphalt()
{
    return Paint(SIZE, SIZE, [](float u, float v, uint32_t x, uint32_t y) {
        const float grain = TileNoise(u, v, 48, 2, 821);
        float shade = 0.9f + 0.2f * (grain - 0.5f);
        if (Random01(823, y * SIZE + x) > 0.97f)
            shade *= 1.2f;
        return ShadeColor(Argb(255, 118, 118, 124), shade);
    });
}

// Rows of plastic seats, concrete and a corrugated roof.
RgbaImage SeatsAtlas()
{
    return Paint(SIZE, SIZE, [](float u, float v, uint32_t x, uint32_t y) {
        const float noise = 0.9f + 0.2f * Random01(831, y * SIZE + x);
        if (u < 0.5f) {
            const float row = v * 16.0f - std::floor(v * 16.0f), seat = u * 32.0f - std::floor(u * 32.0f);
            if (row > 0.7f || seat > 0.85f)
                return ShadeColor(Argb(255, 150, 150, 146), noise * 0.7f);
            const bool white = int(std::floor(v * 16.0f)) % 5 == 2;
            return ShadeColor(white ? Argb(255, 230, 230, 226) : Argb(255, 36, 70, 150), noise * (1.1f - row * 0.4f));
        }
        if (v < 0.5f)
            return ShadeColor(Argb(255, 160, 158, 150), noise);
        const float rib = 0.5f + 0.5f * std::cos(u * 6.2832f * 24.0f);
        return ShadeColor(Argb(255, 120, 126, 132), noise * (0.8f + 0.2f * rib));
    });
}

// Four tyres painted in `paint`, the black tread showing in the grooves.
RgbaImage TyreTexture(uint32_t paint)
{
    return Paint(128, 128, [paint](float u, float v, uint32_t x, uint32_t y) {
        const float noise = 0.85f + 0.15f * Random01(841, y * 128 + x);
        if (v >= TOP.v0) {
            const float ring = std::abs(u - 0.5f) * 2.0f;
            return ring < 0.55f ? ShadeColor(Argb(255, 24, 24, 26), noise) : ShadeColor(paint, noise * 0.9f);
        }
        const float band = v / TOP.v0 * 4.0f, t = band - std::floor(band);
        if (t < 0.08f || t > 0.92f)
            return ShadeColor(Argb(255, 20, 20, 22), noise);
        const float round = 0.7f + 0.3f * std::sin(t * 3.1416f);
        return ShadeColor(paint, noise * round);
    });
}

MeshBuilder BuildSeats()
{
    MeshBuilder mesh;
    // Tiers rising from the front (-z, facing the track) to the back wall.
    constexpr int TIERS = 10;
    for (int i = 0; i < TIERS; ++i) {
        const float height = 1.6f * float(i + 1);
        mesh.AddBox({0.0f, height * 0.5f, -4.5f + float(i) * 0.95f}, {19.4f, height, 0.95f}, SEATS);
    }
    mesh.AddBox({0.0f, 11.0f, 4.75f}, {19.4f, 22.0f, 0.5f}, CONCRETE);
    for (float side : {-1.0f, 1.0f}) {
        mesh.AddBox({side * 9.85f, 9.0f, 0.0f}, {0.3f, 18.0f, 10.0f}, CONCRETE);
        mesh.AddBeam({side * 9.7f, 0.0f, -4.85f}, {side * 9.7f, 27.4f, -4.85f}, 0.3f, CONCRETE);
        mesh.AddBeam({side * 9.7f, 22.0f, 4.75f}, {side * 9.7f, 27.4f, 4.75f}, 0.3f, CONCRETE);
    }
    mesh.AddBox({0.0f, 27.7f, 0.0f}, {20.0f, 0.6f, 10.0f}, ROOF);
    mesh.FitTo(TrackModelBox(MODELS + "Seats.x"));
    return mesh;
}

MeshBuilder BuildTyreStack()
{
    MeshBuilder mesh;
    const Float3 size = TrackModelBox(MODELS + "TyreStack.x");
    // A cylinder along x, stood up.
    mesh.AddCylinderX({0.0f, 0.0f, 0.0f}, size.x * 0.5f, size.y, 10, TREAD, TOP);
    mesh.RotateZ(1.5707964f, {0.0f, 0.0f, 0.0f});
    mesh.FitTo(size);
    return mesh;
}

} // namespace

void WriteGermanySky(DataFolder& folder)
{
    SkyStyle style;
    style.zenith = Argb(255, 92, 98, 110);
    style.horizon = Argb(255, 160, 164, 170);
    style.farHills = Argb(255, 96, 110, 108);
    style.treeline = Argb(255, 44, 66, 46);
    // Below the horizon the sky meets the terrain's edge: the grass as it shows lit.
    style.farGround = Argb(255, 50, 79, 32);
    style.ground = Argb(255, 50, 79, 32);
    style.hillHeight = 0.03f;
    style.treeHeight = 0.035f;
    style.spikyTrees = false;
    style.cloudCover = 1.0f;
    style.towardsSun = TowardsLight(GermanyDefs::LIGHT);
    style.seed = 809;
    WriteTrackSky(folder, TEXTURES, style);
}

void WriteGermanyScenery(DataFolder& folder)
{
    WriteTexture(folder, TEXTURES + "Grass.dds", Grass(), DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "Sand.dds", Sand(), DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "Asphalt.dds", Asphalt(), DdsFormat::DXT1, true);
}

void WriteGermanyModels(DataFolder& folder)
{
    folder.Write(MODELS + "Seats.x", EncodeTrackXModel(BuildSeats(), "Seats", "Seats.dds"));
    folder.Write(MODELS + "TyreStack.x", EncodeTrackXModel(BuildTyreStack(), "TyreStack", "TyreStackRed.dds"));
    WriteTexture(folder, TEXTURES + "Seats.dds", SeatsAtlas(), DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "TyreStackRed.dds", TyreTexture(Argb(255, 200, 36, 30)), DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "TyreStackWhite.dds", TyreTexture(Argb(255, 236, 236, 232)), DdsFormat::DXT1, true);
}

} // namespace datagen
