// The moped, its rider, the finish pole, and their textures.

#include "datagen/MeshBuilder.h"
#include "datagen/Painter.h"
#include "datagen/SampleData.h"
#include "datagen/TrackAssets.h"
#include "datagen/writers/QvxWriter.h"

#include <cmath>

namespace datagen {

namespace {

// Both model textures are 256 x 256 atlases of 4 x 4 cells of 64 texels, one material a cell.
constexpr uint32_t ATLAS_SIZE = 256, CELL = 64;
constexpr int RIDER_FRAMES = 61;
constexpr float FULL_LEAN = 0.5f; // radians at frames 0 and 60
// The collision boxes the race gives the parts.
constexpr Float3 BODY_SIZE = {0.355f, 0.568f, 1.095f};
constexpr Float3 HANDLEBAR_SIZE = {0.4f, 0.828f, 0.358f};
constexpr Float3 RIDER_SIZE = {0.521f, 0.9f, 0.342f};

UvRect Cell(int index)
{
    const float margin = 3.0f / ATLAS_SIZE, size = static_cast<float>(CELL) / ATLAS_SIZE;
    const float u = static_cast<float>(index % 4) * size, v = static_cast<float>(index / 4) * size;
    return {u + margin, v + margin, u + size - margin, v + size - margin};
}

// Fills one atlas cell with a colour, a little grain and the given alpha.
void PaintCell(RgbaImage& atlas, int index, uint32_t color, uint8_t alpha, float grain, uint32_t seed)
{
    const uint32_t x0 = static_cast<uint32_t>(index % 4) * CELL, y0 = static_cast<uint32_t>(index / 4) * CELL;
    for (uint32_t y = y0; y < y0 + CELL; ++y)
        for (uint32_t x = x0; x < x0 + CELL; ++x) {
            const float n = FractalNoise(static_cast<float>(x), static_cast<float>(y), 8, 3, seed) - 0.5f;
            atlas.At(x, y) = MixColor(color, n > 0 ? 0xFFFFFFFFu : 0xFF000000u, std::fabs(n) * grain);
        }
    for (uint32_t y = y0; y < y0 + CELL; ++y)
        for (uint32_t x = x0; x < x0 + CELL; ++x)
            atlas.At(x, y) = (atlas.At(x, y) & 0x00FFFFFFu) | (uint32_t(alpha) << 24);
}

enum MopedCell { PAINT, SEAT, CHROME, PLASTIC, HEADLIGHT, TAILLIGHT, TYRE_SIDE, TYRE_TREAD };
enum RiderCell { JACKET, TROUSERS, HELMET, GLOVES, BOOTS, VISOR };

// Alpha is the weight of the environment reflection.
RgbaImage MopedTexture()
{
    RgbaImage atlas(ATLAS_SIZE, ATLAS_SIZE, Argb(255, 128, 128, 128));
    PaintCell(atlas, PAINT, Argb(255, 200, 30, 35), 64, 0.1f, 1);
    PaintCell(atlas, SEAT, Argb(255, 30, 28, 26), 10, 0.3f, 2);
    PaintCell(atlas, CHROME, Argb(255, 200, 205, 215), 160, 0.15f, 3);
    PaintCell(atlas, PLASTIC, Argb(255, 45, 45, 50), 20, 0.2f, 4);
    PaintCell(atlas, HEADLIGHT, Argb(255, 255, 250, 220), 200, 0.05f, 5);
    PaintCell(atlas, TAILLIGHT, Argb(255, 220, 20, 20), 100, 0.05f, 6);
    PaintCell(atlas, TYRE_SIDE, Argb(255, 25, 25, 25), 8, 0.2f, 7);
    PaintCell(atlas, TYRE_TREAD, Argb(255, 35, 35, 35), 4, 0.3f, 8);
    // The wheel's rim and hub on the tyre's side.
    const float cx = 2.5f * CELL, cy = 1.5f * CELL;
    FillRing(atlas, cx, cy, 17, 21, Argb(255, 190, 190, 200));
    FillDisc(atlas, cx, cy, 7, Argb(255, 210, 210, 220));
    for (int x = 0; x < static_cast<int>(CELL); x += 8)
        FillRect(atlas, 3.0f * CELL + x, CELL, 3.0f * CELL + x + 3, 2.0f * CELL, Argb(255, 15, 15, 15));
    return atlas;
}

RgbaImage RiderTexture()
{
    RgbaImage atlas(ATLAS_SIZE, ATLAS_SIZE, Argb(255, 128, 128, 128));
    PaintCell(atlas, JACKET, Argb(255, 30, 70, 160), 255, 0.15f, 11);
    FillRect(atlas, 0, 28, CELL, 36, Argb(255, 240, 200, 40));
    PaintCell(atlas, TROUSERS, Argb(255, 40, 45, 70), 255, 0.25f, 12);
    PaintCell(atlas, HELMET, Argb(255, 240, 240, 240), 255, 0.05f, 13);
    FillRect(atlas, 2.0f * CELL + 28, 0, 2.0f * CELL + 36, CELL, Argb(255, 210, 30, 30));
    PaintCell(atlas, GLOVES, Argb(255, 25, 25, 25), 255, 0.2f, 14);
    PaintCell(atlas, BOOTS, Argb(255, 90, 60, 35), 255, 0.2f, 15);
    PaintCell(atlas, VISOR, Argb(255, 20, 30, 40), 255, 0.1f, 16);
    return atlas;
}

// Body about 0.355 x 0.568 x 1.095, centred on its box.
MeshBuilder MopedBody()
{
    MeshBuilder m;
    // The rear ends just in front of the back light's place (0, 0.166, -0.5), so its glow is not hidden.
    m.AddBox({0, 0.02f, -0.245f}, {0.355f, 0.30f, 0.49f}, Cell(PAINT));                 // rear cowling
    m.AddBox({0, 0.22f, -0.235f}, {0.26f, 0.128f, 0.47f}, Cell(SEAT));                  // seat
    m.AddBox({0, -0.17f, 0.12f}, {0.28f, 0.06f, 0.40f}, Cell(PLASTIC));                 // floorboard
    m.AddBox({0, 0.0f, 0.42f}, {0.32f, 0.568f, 0.12f}, Cell(PAINT));                    // leg shield
    m.AddBox({0, -0.14f, 0.50f}, {0.14f, 0.08f, 0.095f}, Cell(PAINT));                  // front mudguard
    m.AddBox({0, -0.25f, 0.0f}, {0.10f, 0.068f, 1.095f}, Cell(CHROME));                 // frame rail
    m.AddBox({0, 0.166f, -0.485f}, {0.20f, 0.06f, 0.02f}, Cell(TAILLIGHT));             // rear light
    m.AddBeam({0.126f, -0.05f, -0.15f}, {0.126f, -0.02f, -0.45f}, 0.06f, Cell(CHROME)); // exhaust
    m.FitTo(BODY_SIZE);
    return m;
}

// Steering column, fork, bars and lamp: about 0.4 x 0.828 x 0.358.
MeshBuilder MopedHandlebar()
{
    MeshBuilder m;
    m.AddBox({-0.07f, -0.2f, 0}, {0.04f, 0.428f, 0.04f}, Cell(CHROME));
    m.AddBox({0.07f, -0.2f, 0}, {0.04f, 0.428f, 0.04f}, Cell(CHROME));
    m.AddBox({0, 0.15f, 0}, {0.06f, 0.3f, 0.06f}, Cell(CHROME));
    m.AddBox({0, 0.37f, -0.159f}, {0.4f, 0.04f, 0.04f}, Cell(CHROME));
    m.AddBox({-0.17f, 0.37f, -0.159f}, {0.06f, 0.05f, 0.05f}, Cell(PLASTIC));
    m.AddBox({0.17f, 0.37f, -0.159f}, {0.06f, 0.05f, 0.05f}, Cell(PLASTIC));
    m.AddBox({0, 0.35f, 0.05f}, {0.16f, 0.128f, 0.16f}, Cell(PAINT));
    m.AddBox({0, 0.35f, 0.159f}, {0.1f, 0.08f, 0.04f}, Cell(HEADLIGHT));
    m.FitTo(HANDLEBAR_SIZE);
    return m;
}

MeshBuilder MopedTyre()
{
    MeshBuilder m;
    m.AddCylinderX({0, 0, 0}, 0.209f, 0.185f, 24, Cell(TYRE_TREAD), Cell(TYRE_SIDE));
    return m;
}

// The rider sitting upright, about 0.521 x 0.9 x 0.342, centred on its box.
MeshBuilder Rider()
{
    MeshBuilder m;
    m.AddEllipsoid({0, 0.34f, 0}, {0.12f, 0.11f, 0.13f}, 8, 12, Cell(HELMET));
    m.AddBox({0, 0.33f, 0.1f}, {0.16f, 0.05f, 0.04f}, Cell(VISOR));
    m.AddBox({0, 0.06f, -0.04f}, {0.36f, 0.44f, 0.2f}, Cell(JACKET));
    for (int side = -1; side <= 1; side += 2) {
        const float s = static_cast<float>(side);
        m.AddBeam({0.2f * s, 0.22f, -0.02f}, {0.23f * s, 0.06f, 0.1f}, 0.09f, Cell(JACKET));
        m.AddBeam({0.23f * s, 0.06f, 0.1f}, {0.235f * s, 0.02f, 0.15f}, 0.08f, Cell(JACKET));
        m.AddBox({0.2365f * s, 0.0f, 0.15f}, {0.048f, 0.07f, 0.042f}, Cell(GLOVES));
        m.AddBeam({0.1f * s, -0.16f, -0.06f}, {0.13f * s, -0.12f, 0.12f}, 0.13f, Cell(TROUSERS));
        m.AddBeam({0.13f * s, -0.12f, 0.12f}, {0.14f * s, -0.38f, 0.08f}, 0.11f, Cell(TROUSERS));
        m.AddBox({0.14f * s, -0.415f, 0.1f}, {0.1f, 0.07f, 0.14f}, Cell(BOOTS));
    }
    m.FitTo(RIDER_SIZE);
    return m;
}

void WriteMoped(DataFolder& folder)
{
    folder.Write("Graphics\\Models\\MopedBody.qvx", EncodeQvx({QvxFrame{{MopedBody().ToQvx()}}}));
    folder.Write("Graphics\\Models\\MopedHandlebar.qvx", EncodeQvx({QvxFrame{{MopedHandlebar().ToQvx()}}}));
    folder.Write("Graphics\\Models\\MopedTyre.qvx", EncodeQvx({QvxFrame{{MopedTyre().ToQvx()}}}));
    WriteTexture(folder, "Graphics\\Textures\\Moped.dds", MopedTexture(), DdsFormat::A8R8G8B8, true);
}

void WriteRider(DataFolder& folder)
{
    const MeshBuilder upright = Rider();
    Float3 low, high;
    upright.Bounds(low, high);
    // The rider leans about the seat.
    const Float3 pivot = {0, low.y + 0.3f * (high.y - low.y), 0};
    std::vector<QvxFrame> frames;
    for (int f = 0; f < RIDER_FRAMES; ++f) {
        MeshBuilder leaning = upright;
        leaning.RotateZ(FULL_LEAN * static_cast<float>(f - 30) / 30.0f, pivot);
        frames.push_back(QvxFrame{{leaning.ToQvx()}});
    }
    folder.Write("Graphics\\Models\\Player.qvx", EncodeQvx(frames));
    WriteTexture(folder, "Graphics\\Textures\\Player.dds", RiderTexture(), DdsFormat::DXT1, true);
}

// A post striped black and white with a red band: one column of the
// chequered texture, run twice up each side. It stands on a flat square foot
// as wide as its box, so that it stays up where it is placed leaning.
void WriteFinishPole(DataFolder& folder)
{
    const char* path = "Graphics\\Models\\FinishPole.x";
    const Float3 box = TrackModelBox(path);
    const float postWidth = 0.1f, footHeight = 0.04f;
    const UvRect stripes = {2.0f / 128, 0, 14.0f / 128, 2};
    MeshBuilder pole;
    AddBlock(pole, {0, footHeight * 0.5f, 0}, {1, 0, 0}, {0, 1, 0}, {postWidth, box.y - footHeight, postWidth},
             stripes);
    AddBlock(pole, {0, (footHeight - box.y) * 0.5f, 0}, {1, 0, 0}, {0, 1, 0}, {box.x, footHeight, box.z},
             {stripes.u0, stripes.v0, stripes.u1, 0.1f});
    folder.Write(path, EncodeTrackXModel(pole, "FinishPole", "FinishPole.dds"));
}

} // namespace

void WriteModelData(DataFolder& folder)
{
    WriteMoped(folder);
    WriteRider(folder);
    WriteFinishPole(folder);
}

} // namespace datagen
