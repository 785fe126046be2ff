#pragma once
// A track loaded from the generated data set on the headless device, given
// back whole at the end of the test, and a physics world sized by its counts.

#include "engine/scene/SceneTestFixture.h"
#include "tracks/Track.h"

#include "physics/PhysicsEngine.h"

#include "engine/scene/Water.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

// Every road cell once, from the first.
std::vector<const TrackSegment*> RoadCells(const TrackData& road);
// The track's billboards in the order their first instances were placed.
std::vector<const Billboard*> BillboardKinds(const Track& track);
// Points `spacing` apart from start place 0 along the gate centres ahead of it, `laps` times round and a little more.
std::vector<backend::Vector3> CentreLine(const TrackData& road, float spacing, int laps);

class TrackTest : public SceneTest {
protected:
    void TearDown() override;

    // Creates and loads the track; false when either fails.
    bool LoadTrack(TrackId id);
    // Opens the scene, then loads the track.
    bool OpenTrack(TrackId id);
    void FreeTrack();
    // A simulator with room for the track's bodies plus `extraRigid` boxes, then the track's physics.
    bool CreateWorld(int32_t extraRigid = 0);
    // A box of `size` and `mass` at `position` moving at `velocity`; null when the world has no room.
    TRigidBody* ThrowBox(const TVec4& size, float mass, const TVec4& position, const TVec4& velocity);
    // A chase camera behind start place `slot`, looking along the road at the start line.
    Camera StartCamera(int slot);
    // Sky, terrain, objects and billboards through the camera; the back buffer.
    std::vector<uint32_t> DrawTrack(const Camera& camera);
    std::vector<const TrackSegment*> RoadCells() const { return ::RoadCells(track->trackData); }
    // The flare's intensity after drawing from `eye` looking along `sun`; it must be on screen.
    uint32_t FlareSeenFrom(LensFlare& flare, const backend::Vector3& eye, const backend::Vector3& sun);

    // Seen through the camera, the water at its level (world centre, given height and size) covers the
    // ground at `below` and leaves `above` as it was; the picture is kept as `artifact` unless empty.
    void ExpectWaterOnlyBelowItsLevel(Water& water, const Camera& camera, float level, backend::Vector2 size,
                                      backend::Vector3 below, backend::Vector3 above, const std::string& artifact);

    // The loaded track as its own class.
    template <class TrackClass> TrackClass& Loaded() { return static_cast<TrackClass&>(*track); }

    std::unique_ptr<Track> track;
    PhysicsEngine physics;
};

// Where two pictures differ by more than `tolerance` a channel: the bounds, the number and the centre of the pixels.
struct Box {
    int left = 800, top = 600, right = -1, bottom = -1, count = 0;
    double sumX = 0, sumY = 0;
    double CentreX() const { return sumX / std::max(count, 1); }
    double CentreY() const { return sumY / std::max(count, 1); }
};
Box Footprint(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int tolerance = 12);

// The translation of a world matrix.
backend::Vector3 Origin(const backend::Matrix& world);
// The picture's pixel where a world point lands.
uint32_t PixelOf(const std::vector<uint32_t>& picture, const Camera& camera, const backend::Vector3& point);
int Brightness(uint32_t colour);

// The tracks whose classes and data are built, by number.
const std::vector<TrackId>& BuiltTracks();
// The track's folder name, as a test name suffix.
std::string TrackTestName(const ::testing::TestParamInfo<TrackId>& info);
// The terrain pass that draws the road, of the track's `count` passes.
size_t RoadPassIndex(TrackId id, size_t count);
// Every file a track's Load opens, in load order.
const std::vector<std::string>& TrackLoadList(TrackId id);
// Saves the picture (800 x 600 unless given) as artifacts/<name>.png beside the test programs.
void SaveArtifact(const std::string& name, const std::vector<uint32_t>& pixels, uint32_t width = 800,
                  uint32_t height = 600);
