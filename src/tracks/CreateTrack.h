#pragma once
// The track factory: a new, not yet loaded track object by number.

#include "tracks/TrackTable.h"

class Track;

// Null, with "Corrupt track ID!" as the last error, for a number above 9;
// null without a message when memory runs out. The caller owns the track.
Track* CreateTrack(TrackId id);
