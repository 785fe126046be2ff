#pragma once
// Follows one moped along the road ring of a track: its cell, how far along
// the cell it is, the checkpoints passed this lap, the laps completed and what
// the last update did.

#include "backend/math/MathTypes.h"

#include <cstdint>

class TrackData;
struct TrackSegment;

// The race is this many laps; a tracker at this lap has finished.
constexpr int32_t RACE_LAP_COUNT = 3;

enum ProgressEvent : uint8_t {
    PROGRESS_NONE = 0,
    PROGRESS_CHECKPOINT = 1, // a checkpoint of this lap passed for the first time
    PROGRESS_LAP_COMPLETED = 2,
};

class TrackProgress {
public:
    TrackProgress() = default;
    ~TrackProgress() { Destroy(); }
    TrackProgress(const TrackProgress&) = delete;
    TrackProgress& operator=(const TrackProgress&) = delete;

    // Sizes the checkpoint marks for the track and clears; false if they cannot be had.
    bool Create(const TrackData* trackData);
    // Back to "not on the start line yet"; the cells and progress stay.
    void Clear();
    // Puts both cells at the one under (x, z); false and both null when off the road.
    bool Locate(const TrackData* trackData, const backend::Vector3* position);
    // One frame of tracking with the moped's new position.
    void Update(const TrackData* trackData, const backend::Vector3* position);
    // Ahead of or level with `other` in the race order. A tracker that has
    // never been on the road is behind every one that has.
    bool IsAhead(const TrackProgress& other) const;
    // Frees the checkpoint marks; safe to repeat.
    void Destroy();

    TrackSegment* currentSegment = nullptr; // null while off the road
    TrackSegment* lastSegment = nullptr;    // the cell last left, or the one located
    uint8_t* visited = nullptr;             // one mark per checkpoint: 1 passed this lap
    uint32_t checkpointCount = 0;
    ProgressEvent event = PROGRESS_NONE;
    int32_t lap = -1; // -1 before the start line, then laps completed
    float progress = 0.0f;
};
