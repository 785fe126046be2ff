#include "tracks/CreateTrack.h"

#include "tracks/CambodiaTrack.h"
#include "tracks/EgyptTrack.h"
#include "tracks/Finland2Track.h"
#include "tracks/FinlandTrack.h"
#include "tracks/GermanyTrack.h"
#include "tracks/HawaiiTrack.h"
#include "tracks/MexicoTrack.h"
#include "tracks/TanzaniaTrack.h"
#include "tracks/UKTrack.h"
#include "tracks/USATrack.h"

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
        return new (std::nothrow) CambodiaTrack();
    case TRACK_MEXICO:
        return new (std::nothrow) MexicoTrack();
    case TRACK_EGYPT:
        return new (std::nothrow) EgyptTrack();
    case TRACK_HAWAII:
        return new (std::nothrow) HawaiiTrack();
    case TRACK_TANZANIA:
        return new (std::nothrow) TanzaniaTrack();
    case TRACK_FINLAND2:
        return new (std::nothrow) Finland2Track();
    case TRACK_USA:
        return new (std::nothrow) USATrack();
    case TRACK_GERMANY:
        return new (std::nothrow) GermanyTrack();
    }
    ReportError("Corrupt track ID!", false, nullptr);
    return nullptr;
}
