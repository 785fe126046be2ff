#include "datagen/writers/TrackDataWriter.h"

#include "datagen/writers/ByteWriter.h"
#include "datagen/writers/FileWriter.h"

namespace datagen {

namespace {

void PutPoint(ByteWriter& out, const Float3& p)
{
    out.F32(p.x);
    out.F32(p.y);
    out.F32(p.z);
}

} // namespace

std::vector<uint8_t> EncodeTrackData(const TrackDataFile& track, const TrackDataFaults& faults)
{
    ByteWriter out;
    out.Text(faults.badMagic ? "TDB" : "TDA");
    out.U8(0);
    out.I32(faults.startCount.value_or(static_cast<int32_t>(track.startPositions.size())));
    for (const Float3& p : track.startPositions)
        PutPoint(out, p);
    out.I32(faults.gateCount.value_or(static_cast<int32_t>(track.gates.size())));
    for (const TrackGate& gate : track.gates) {
        PutPoint(out, gate.left);
        PutPoint(out, gate.right);
        PutPoint(out, gate.centre);
        PutPoint(out, gate.centre); // unused fourth point
        out.U8(gate.checkpoint ? 1 : 0);
        out.U8(0);
        out.U8(0);
        out.U8(0);
    }
    out.TruncateTo(faults.truncateTo);
    return out.bytes;
}

bool WriteTrackData(const std::string& path, const TrackDataFile& track)
{
    return WriteFileBytes(path, EncodeTrackData(track));
}

} // namespace datagen
