#include "tracks/CreateTrack.h"

#include "tracks/FinlandTrack.h"
#include "tracks/UKTrack.h"

#include "engine/platform/Log.h"

#include <new>

Track* CreateTrack(TrackId id)
{
    switch (id) {
    case TRACK_FINLAND:
        return new (std::nothrow) FinlandTrack();
    case TRACK_UK:
        return new (std::nothrow) UKTrack();
    case TRACK_CAMBODIA:
    case TRACK_MEXICO:
    case TRACK_TANZANIA:
    case TRACK_USA:
    case TRACK_GERMANY:
    case TRACK_EGYPT:
    case TRACK_HAWAII:
    case TRACK_FINLAND2:
        ReportError("This track is not available yet!", false, nullptr);
        return nullptr;
    }
    ReportError("Corrupt track ID!", false, nullptr);
    return nullptr;
}
