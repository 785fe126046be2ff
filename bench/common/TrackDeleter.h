#pragma once
// Releases and destroys a track made by CreateTrack, for a unique_ptr.

#include "tracks/Track.h"

#include <memory>

struct TrackDeleter {
    void operator()(Track* track) const
    {
        track->Release();
        track->Destroy();
        delete track;
    }
};

using TrackPointer = std::unique_ptr<Track, TrackDeleter>;
