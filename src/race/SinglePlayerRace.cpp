#include "race/SinglePlayerRace.h"

#include "race/RecordsFile.h"

#include "tracks/Track.h"
#include "tracks/TrackTable.h"

#include "engine/platform/RenderDevice.h"

#include <vector>

// The moped's five joints go into three constraint sets.
constexpr int32_t SINGLE_PLAYER_CONSTRAINT_SETS = 3;

void SinglePlayerRace::Update()
{
    Race::Update();
    if (isOver || playerMoped.progress.lap != RACE_LAP_COUNT || msSinceFinish < RACE_END_DELAY_MS)
        return;
    std::vector<RaceRecord> records;
    ReadRecordsFile(BuildTrackRecordsPath(static_cast<TrackId>(trackId)).c_str(), records);
    const bool tableHolds = records.size() == MAX_RECORDS && records.back().time <= playerMoped.totalMs;
    nextGameState = tableHolds ? RACE_NEXT_BEST_TIMES : RACE_NEXT_NEW_RECORD;
    isOver = true;
}

void SinglePlayerRace::RenderHud(BitmapFont* font)
{
    Race::RenderHud(font);
    const backend::Vector3 where = {playerMoped.position.x, playerMoped.position.y, playerMoped.position.z};
    g_RenderDevice.ChangeRenderState(backend::D3DRS_ALPHABLENDENABLE, 1);
    minimap.RenderMarker(&where, SINGLE_PLAYER_MARKER_COLOUR);
    g_RenderDevice.RevertRenderState(backend::D3DRS_ALPHABLENDENABLE);
}

int32_t SinglePlayerRace::GetRigidBodyCount()
{
    return track->GetRigidBodyCount() + MOPED_BODY_COUNT;
}

int32_t SinglePlayerRace::GetGeometryCount()
{
    return track->GetGeometryCount() + MOPED_GEOMETRY_COUNT;
}

int32_t SinglePlayerRace::GetConstraintCount()
{
    return MOPED_JOINT_COUNT;
}

int32_t SinglePlayerRace::GetConstraintSetCount()
{
    return SINGLE_PLAYER_CONSTRAINT_SETS;
}
