#include "TrackTestKit.h"

#include "physics/TRigidBody.h"
#include "physics/TSimulator.h"

#include <cmath>

using backend::Vector3;

namespace {

constexpr int BOXES = 10;
constexpr float BOX_SIZE = 0.5f;

} // namespace

class TrackWorld : public TrackTest, public ::testing::WithParamInterface<TrackId> {};

// Boxes dropped on the road at ten places along the ring come to rest on the
// surface the terrain's height query gives: physics and drawing agree.
TEST_P(TrackWorld, BoxesDroppedAlongTheRoadRestOnTheTerrainHeight)
{
    ASSERT_TRUE(OpenScene());
    {
        ASSERT_TRUE(LoadTrack(GetParam())) << g_LastError;
        ASSERT_TRUE(CreateWorld(BOXES));
        const int cells = int(RoadCells().size()) - 1;
        std::vector<TRigidBody*> boxes;
        std::vector<Vector3> ground;
        const TrackSegment* cell = track->trackData.firstSegment;
        for (int i = 0; i < BOXES; ++i) {
            for (int step = 0; step < (cells + 1) / BOXES; ++step)
                cell = cell->next;
            // Half way into the cell, on its centre line.
            Vector3 point = {cell->centre.x + cell->direction.x * 2.0f, 0.0f,
                             cell->centre.z + cell->direction.z * 2.0f};
            ASSERT_TRUE(track->terrain.SnapToGroundXZ(&point, 0.0f));
            ground.push_back(point);
            const TVec4 start = Vec(point.x, point.y + 1.0f, point.z, 1.0f);
            boxes.push_back(ThrowBox(Vec(BOX_SIZE, BOX_SIZE, BOX_SIZE), 5.0f, start, Vec(0.0f, 0.0f, 0.0f)));
            ASSERT_NE(boxes.back(), nullptr);
        }
        for (int frame = 0; frame < 240; ++frame)
            physics.simulator->Advance(1.0f / 60.0f, 1, nullptr);
        for (int i = 0; i < BOXES; ++i) {
            const TMat44 pose = boxes[size_t(i)]->GetTransform();
            Vector3 rest = {pose.row[3].x, 0.0f, pose.row[3].z};
            EXPECT_LT(std::hypot(rest.x - ground[size_t(i)].x, rest.z - ground[size_t(i)].z), 1.0f) << "box " << i;
            ASSERT_TRUE(track->terrain.SnapToGroundXZ(&rest, 0.0f));
            EXPECT_NEAR(pose.row[3].y - BOX_SIZE / 2, rest.y, 0.02f) << "box " << i;
        }

        // Every loose object knocked away is back at its place after the race's reset.
        for (DynamicTrackObject* object : track->dynamicObjects) {
            const TVec4 away = Vec(object->position.x + 3.0f, object->position.y + 2.0f, object->position.z, 1.0f);
            const TVec4 flying = Vec(4.0f, 1.0f, 0.0f);
            object->body->SetPosition(&away);
            object->body->SetVelocity(&flying);
        }
        physics.simulator->Advance(1.0f / 60.0f, 1, nullptr);
        const TrackStartPosition& start = track->trackData.startPositions[0];
        const Vector3 moped = {start.x, 0.0f, start.z};
        track->Reset(&moped);
        for (size_t i = 0; i < track->dynamicObjects.size(); ++i) {
            const DynamicTrackObject& object = *track->dynamicObjects[i];
            const TVec4 at = object.body->Position();
            EXPECT_NEAR(at.x, object.position.x, 1e-4f) << "object " << i;
            EXPECT_NEAR(at.y, object.position.y, 1e-4f) << "object " << i;
            EXPECT_NEAR(at.z, object.position.z, 1e-4f) << "object " << i;
            EXPECT_EQ(Length3(object.body->GetVelocity()), 0.0f) << "object " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BuiltTracks, TrackWorld, ::testing::ValuesIn(BuiltTracks()), TrackTestName);
