#pragma once
// "TrackData.tda": the start grid and the gates across the road in driving order.

#include "datagen/writers/ModelTypes.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace datagen {

struct TrackGate {
    Float3 left;  // left end as seen along the direction of travel
    Float3 right; // right end
    Float3 centre;
    bool checkpoint = false;
};

struct TrackDataFile {
    std::vector<Float3> startPositions; // y is not used; write 0
    std::vector<TrackGate> gates;       // gate 0 is the start/finish line
};

// Ways to break the file for tests; the defaults give a correct one.
struct TrackDataFaults {
    bool badMagic = false;
    std::optional<int32_t> startCount;
    std::optional<int32_t> gateCount;
    size_t truncateTo = SIZE_MAX;
};

constexpr size_t TRACK_GATE_RECORD_SIZE = 52;

std::vector<uint8_t> EncodeTrackData(const TrackDataFile& track, const TrackDataFaults& faults = {});
bool WriteTrackData(const std::string& path, const TrackDataFile& track);

} // namespace datagen
