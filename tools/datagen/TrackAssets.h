#pragma once
// Pieces shared by the tracks' generated assets: tileable noise for terrain and
// model textures, the sky around a track, tree sprites, and model parts with
// their texture coordinates laid out per face.

#include "datagen/DataFolder.h"
#include "datagen/MeshBuilder.h"
#include "datagen/Painter.h"
#include "tracks/TrackDefs.h"

#include <cstdint>

#include <string>
#include <vector>

namespace datagen {

// Value noise in 0..1 that wraps at the edges of the unit square; `cells`
// lattice cells across for the first of `octaves` layers.
float TileNoise(float u, float v, int cells, int octaves, uint32_t seed);
// Random 0..1 from a seed and an index.
float Random01(uint32_t seed, uint32_t index);
// The colour's red, green and blue times `factor`, alpha kept.
uint32_t ShadeColor(uint32_t color, float factor);

// A square picture of `size` texels, each `pixel(u, v, x, y)` with u and v at
// the texel centre in 0..1.
template <typename Pixel> RgbaImage PaintTile(uint32_t size, Pixel pixel)
{
    RgbaImage image(size, size);
    for (uint32_t y = 0; y < size; ++y)
        for (uint32_t x = 0; x < size; ++x) {
            const float u = (static_cast<float>(x) + 0.5f) / static_cast<float>(size);
            const float v = (static_cast<float>(y) + 0.5f) / static_cast<float>(size);
            image.At(x, y) = pixel(u, v, x, y);
        }
    return image;
}

struct SkyStyle {
    uint32_t zenith, horizon;    // sky gradient
    uint32_t farHills, treeline; // the two bands along the horizon
    uint32_t farGround, ground;  // ground colour at the horizon and below
    float hillHeight;            // of the far band, in sine of elevation
    float treeHeight;            // of the near band
    bool spikyTrees;             // conifer tops on the near band, else rounded crowns
    float cloudCover;            // 0 clear .. 1 overcast
    Float3 towardsSun;           // unit vector
    uint32_t seed;
};

// The unit vector towards the light, against its (unnormalised) direction.
Float3 TowardsLight(const LightDef& light);
// `v` scaled to unit length.
Float3 UnitVector(const backend::Vector3& v);

// Skybox{Front,Back,Left,Right,Up,Down}.dds and EnvMap.dds in `textureDir`.
void WriteTrackSky(DataFolder& folder, const std::string& textureDir, const SkyStyle& style);

// A spruce on a transparent background, trunk at the bottom edge.
RgbaImage PaintFirSprite(uint32_t width, uint32_t height, uint32_t needles, uint32_t seed);
// Tileable granite: greys with grain, speckles and lichen patches.
RgbaImage PaintRockTexture(uint32_t size, uint32_t base, uint32_t lichen, float lichenAmount, uint32_t seed);

// A planar convex polygon facing away from `inside`. Texture coordinates follow
// uAxis and vAxis (v grows downwards in the picture); a span of 0 stretches the
// face over the whole rectangle, otherwise `span` metres cover it.
void AddPlanarFace(MeshBuilder& mesh, const std::vector<Float3>& corners, Float3 inside, Float3 uAxis, Float3 vAxis,
                   UvRect uv, float uSpan = 0.0f, float vSpan = 0.0f);
// A box of `size` along the unit axes (x, y and x cross y) about `centre`;
// sides have v downwards, tops u along x. grainAlongLength turns each face so
// that u runs along its longer edge.
void AddBlock(MeshBuilder& mesh, Float3 centre, Float3 xAxis, Float3 yAxis, Float3 size, UvRect uv,
              bool grainAlongLength = false);

// A boulder: a sphere cut by `cuts` random planes and a flat base, roughened,
// then scaled to `size` and centred. Positions are shared across the texture
// seam so that the smooth normals run round it.
QvxMesh BoulderMesh(Float3 size, int cuts, float roughness, uint32_t seed);

// Box size of a generated track model, from TrackModelSizes.h; throws for an unlisted path.
Float3 TrackModelBox(const std::string& gamePath);
// A text .x file of one mesh and one white material naming `texture`.
std::vector<uint8_t> EncodeTrackXModel(const MeshBuilder& mesh, const char* name, const char* texture);

// A wooden house with a plinth, a gable roof along x, windows, a door and a
// chimney, fitted to `size` and centred; textured by a house atlas.
struct HouseShape {
    Float3 size;
    float plinth, eaves, ridge; // heights over the ground before fitting
    int windowsPerSide;
    bool gableWindow;
};
MeshBuilder BuildHouse(const HouseShape& shape);
// 256 x 256: walls in the top half, then roof, plinth and chimney, then trim,
// window, door and step. Boards run up and down unless `logs`.
RgbaImage PaintHouseAtlas(uint32_t wall, uint32_t trim, uint32_t roof, bool logs, uint32_t seed);

} // namespace datagen
