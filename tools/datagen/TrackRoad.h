#pragma once
// A closed road for a generated track: a hand-drawn control polygon smoothed
// into a centreline, cut into gates of equal spacing and queried for the
// distance of any point to it.

#include "datagen/writers/TrackDataWriter.h"

#include <vector>

namespace datagen {

struct Point2D {
    float x = 0.0f, z = 0.0f;
};

// The nearest point of the centreline to a query.
struct RoadProjection {
    float distance = 0.0f; // to the centreline
    float along = 0.0f;    // arc length of the nearest point, 0 at gate 0
    float lateral = 0.0f;  // positive on the left of the direction of travel
};

class TrackRoad {
public:
    // The polygon runs in driving order and is closed; point 0 is the centre of
    // gate 0, which the road crosses at right angles, from `left` to `right`.
    // Gates are about `spacing` apart; `startRows` rows of two start positions
    // sit behind gate 0.
    TrackRoad(const std::vector<Point2D>& polygon, Point2D left, Point2D right, float spacing, int startRows);

    float Width() const { return width; }
    float Length() const { return length; }
    const std::vector<Point2D>& Centreline() const { return line; }
    const TrackDataFile& Data() const { return data; }

    // Exact for points within `reach` of the centreline; farther ones report
    // a distance of at least reach.
    RoadProjection Project(float x, float z) const;
    // Arc length wrapped into [-length/2, length/2), for distances from gate 0.
    float Wrapped(float along) const;

    static constexpr float REACH = 24.0f;

private:
    void Bucket();

    float width = 0.0f, length = 0.0f;
    std::vector<Point2D> line;    // dense, closed (the last point joins the first)
    std::vector<float> lineAlong; // arc length at each point
    TrackDataFile data;
    float minX = 0.0f, minZ = 0.0f;
    int bucketsX = 0, bucketsZ = 0;
    std::vector<std::vector<int>> buckets; // segment indices near each bucket
};

} // namespace datagen
