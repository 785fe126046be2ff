// Any bytes as a road network file, then the same bytes shaped into a file with
// a valid header and small coordinates so that the ring building is reached:
// a refused file leaves nothing, a loaded one is a well-formed ring.

#include "tracks/TrackData.h"

#include "datagen/writers/TrackDataWriter.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

bool IsUnitVerticalPlane(const float plane[4])
{
    float length = plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2];
    return plane[1] == 0.0f && std::fabs(length - 1.0f) < 1e-4f && std::isfinite(plane[3]);
}

void CheckLoaded(const TrackData& data, bool loaded)
{
    if (!loaded) {
        Check(data.firstSegment == nullptr && data.startPositions == nullptr);
        return;
    }
    Check(data.startPositionCount >= 1 && data.startPositionCount <= TRACK_MAX_START_POSITIONS);
    for (int32_t i = 0; i < data.startPositionCount; ++i)
        Check(data.startPositions[i].y == 0.0f);

    int32_t count = 0;
    int32_t checkpoints = 0;
    const TrackSegment* segment = data.firstSegment;
    do {
        Check(count <= TRACK_MAX_GATES && segment->index == count);
        Check(segment->next->prev == segment);
        Check((count == 0) == (segment->type == TRACK_SEGMENT_START));
        if (segment->type == TRACK_SEGMENT_CHECKPOINT)
            Check(segment->checkpointIndex == checkpoints++);
        Check(IsUnitVerticalPlane(segment->leftPlane) && IsUnitVerticalPlane(segment->rightPlane) &&
              IsUnitVerticalPlane(segment->gatePlane) && IsUnitVerticalPlane(segment->nextGatePlane));
        // The walk must end wherever the point is.
        backend::Vector3 centre = segment->centre;
        data.FindSegment(&centre);
        segment = segment->next;
        ++count;
    } while (segment != data.firstSegment);
    Check(count >= TRACK_MIN_GATES && checkpoints == data.checkpointCount);
}

// The input's bytes as a file with a valid header and coordinates in -32..32.
std::vector<uint8_t> Shape(const uint8_t* data, size_t size)
{
    size_t at = 0;
    auto next = [&]() -> int { return at < size ? int(int8_t(data[at++])) : 0; };
    auto coordinate = [&]() { return float(next()) * 0.25f; };
    datagen::TrackDataFile file;
    file.startPositions.resize(1 + (next() & 7));
    for (datagen::Float3& p : file.startPositions)
        p = {coordinate(), coordinate(), coordinate()};
    file.gates.resize(3 + (next() & 15));
    for (datagen::TrackGate& gate : file.gates) {
        gate.left = {coordinate(), coordinate(), coordinate()};
        gate.right = {coordinate(), coordinate(), coordinate()};
        gate.centre = {coordinate(), 0.0f, coordinate()};
        gate.checkpoint = (next() & 1) != 0;
    }
    return datagen::EncodeTrackData(file);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TrackData track;
    CheckLoaded(track, track.LoadFromMemory(data, size));
    std::vector<uint8_t> shaped = Shape(data, size);
    CheckLoaded(track, track.LoadFromMemory(shaped.data(), shaped.size()));
    track.Free();
    Check(track.firstSegment == nullptr && track.startPositions == nullptr && track.startPositionCount == 0 &&
          track.checkpointCount == 0);
    track.Free();
    return 0;
}
