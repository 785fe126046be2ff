#include "race/TrackProgress.h"

#include "tracks/TrackData.h"
#include "tracks/TrackSegment.h"

#include <cstring>
#include <new>

namespace {

bool OnSide(const float plane[4], float x, float z)
{
    return plane[0] * x + plane[2] * z + plane[3] >= 0.0f;
}

// Points on a plane count as inside, so a shared gate belongs to both cells.
bool Inside(const TrackSegment* segment, float x, float z)
{
    return segment != nullptr && OnSide(segment->leftPlane, x, z) && OnSide(segment->rightPlane, x, z) &&
           OnSide(segment->gatePlane, x, z) && OnSide(segment->nextGatePlane, x, z);
}

} // namespace

bool TrackProgress::Create(const TrackData* trackData)
{
    if (trackData == nullptr || trackData->checkpointCount < 0) {
        return false;
    }
    const uint32_t count = static_cast<uint32_t>(trackData->checkpointCount);
    // One byte more than needed so that a track without checkpoints still gets an array.
    uint8_t* marks = new (std::nothrow) uint8_t[count + 1];
    if (marks == nullptr) {
        return false;
    }
    Destroy();
    visited = marks;
    checkpointCount = count;
    Clear();
    return true;
}

void TrackProgress::Clear()
{
    event = PROGRESS_NONE;
    lap = -1;
    if (visited != nullptr) {
        std::memset(visited, 0, checkpointCount);
    }
}

bool TrackProgress::Locate(const TrackData* trackData, const backend::Vector3* position)
{
    const backend::Vector3 p{position->x, 0.0f, position->z};
    currentSegment = trackData->FindSegment(&p);
    lastSegment = currentSegment;
    return currentSegment != nullptr;
}

void TrackProgress::Update(const TrackData* trackData, const backend::Vector3* position)
{
    event = PROGRESS_NONE;
    if (lap >= RACE_LAP_COUNT) {
        return;
    }
    const float x = position->x;
    const float z = position->z;

    if (currentSegment != nullptr) {
        if (Inside(currentSegment, x, z)) {
            // Still in the same cell.
        } else if (Inside(currentSegment->prev, x, z)) {
            lastSegment = currentSegment;
            currentSegment = currentSegment->prev;
        } else if (Inside(currentSegment->next, x, z)) {
            lastSegment = currentSegment;
            currentSegment = currentSegment->next;
            if (currentSegment->type == TRACK_SEGMENT_START) {
                if (lap < 0) {
                    lap = 0;
                } else if (visited != nullptr && std::memchr(visited, 0, checkpointCount) == nullptr) {
                    std::memset(visited, 0, checkpointCount);
                    event = PROGRESS_LAP_COMPLETED;
                    ++lap;
                }
            } else if (currentSegment->type == TRACK_SEGMENT_CHECKPOINT) {
                const int32_t index = currentSegment->checkpointIndex;
                if (visited != nullptr && index >= 0 && static_cast<uint32_t>(index) < checkpointCount &&
                    visited[index] == 0) {
                    visited[index] = 1;
                    event = PROGRESS_CHECKPOINT;
                }
            }
        } else {
            currentSegment = nullptr;
        }
    } else {
        const backend::Vector3 p{x, 0.0f, z};
        if (lastSegment == nullptr) {
            currentSegment = trackData->FindSegment(&p);
        } else if (Inside(lastSegment, x, z)) {
            currentSegment = lastSegment;
        } else if (Inside(lastSegment->prev, x, z)) {
            currentSegment = lastSegment->prev;
        } else if (Inside(lastSegment->next, x, z)) {
            currentSegment = lastSegment->next;
        } else {
            currentSegment = trackData->FindSegment(&p);
        }
    }

    if (currentSegment != nullptr) {
        progress = (x - currentSegment->centre.x) * currentSegment->direction.x +
                   (z - currentSegment->centre.z) * currentSegment->direction.z;
    }
}

bool TrackProgress::IsAhead(const TrackProgress& other) const
{
    if (lap != other.lap) {
        return lap > other.lap;
    }
    const TrackSegment* mine = currentSegment != nullptr ? currentSegment : lastSegment;
    const TrackSegment* theirs = other.currentSegment != nullptr ? other.currentSegment : other.lastSegment;
    if (mine == nullptr || theirs == nullptr) {
        // Never on the road: behind every located tracker, level with another such.
        return theirs == nullptr;
    }
    if (mine->index != theirs->index) {
        return mine->index > theirs->index;
    }
    return !(progress < other.progress);
}

void TrackProgress::Destroy()
{
    delete[] visited;
    visited = nullptr;
}
