#pragma once
// A track's road network from its "TrackData.tda": the start grid and the
// closed ring of cells between consecutive gates, first cell at the start line.

#include "tracks/TrackSegment.h"
#include "tracks/TrackStartPosition.h"

#include "backend/math/MathTypes.h"

#include <cstddef>
#include <cstdint>

// Files with more are refused as broken.
constexpr int32_t TRACK_MAX_START_POSITIONS = 64;
constexpr int32_t TRACK_MAX_GATES = 100000;
// Fewer gates cannot be tracked: with two cells the neighbours coincide.
constexpr int32_t TRACK_MIN_GATES = 3;
// Coordinates farther out than this are refused as broken.
constexpr float TRACK_MAX_COORDINATE = 1.0e6f;

class TrackData {
public:
    TrackData() = default;
    ~TrackData() { Free(); }
    TrackData(const TrackData&) = delete;
    TrackData& operator=(const TrackData&) = delete;

    // Reads the file whole and builds from it; false with the error reported.
    bool Load(const char* path);
    // Builds from the bytes of a whole file; whatever was loaded goes first.
    // `path` names the file in error reports when there is one.
    bool LoadFromMemory(const uint8_t* bytes, size_t size, const char* path = nullptr);
    // Gives back the ring (closed or not) and the start grid; safe to repeat.
    void Free();
    // The first cell along the ring from firstSegment that contains p, or null.
    TrackSegment* FindSegment(const backend::Vector3* p) const;

    TrackStartPosition* startPositions = nullptr;
    int32_t startPositionCount = 0;
    TrackSegment* firstSegment = nullptr;
    int32_t checkpointCount = 0;
};
