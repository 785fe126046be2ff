#pragma once
// A place on the start grid. Only x and z come from the file; y is always 0.

struct TrackStartPosition {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};
