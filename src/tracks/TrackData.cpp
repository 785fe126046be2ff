#include "tracks/TrackData.h"

#include "backend/files/Files.h"
#include "engine/platform/Log.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

using backend::Vector3;

namespace {

constexpr const char* LOAD_ERROR = "Error loading track data";
constexpr const char* MEMORY_ERROR = "Error loading track data: Not enough memory!";
constexpr size_t START_RECORD_SIZE = 12;
constexpr size_t GATE_RECORD_SIZE = 52;

struct GateRecord {
    Vector3 left;
    Vector3 right;
    Vector3 centre;
    uint8_t checkpoint = 0;
};

// Little-endian reads that fail once the bytes run out.
class ByteReader {
public:
    ByteReader(const uint8_t* bytes, size_t size) : bytes(bytes), size(size) {}

    size_t Remaining() const { return size - position; }
    bool U8(uint8_t& value)
    {
        if (Remaining() < 1)
            return false;
        value = bytes[position++];
        return true;
    }
    bool I32(int32_t& value)
    {
        if (Remaining() < 4)
            return false;
        uint32_t bits = uint32_t(bytes[position]) | uint32_t(bytes[position + 1]) << 8 |
                        uint32_t(bytes[position + 2]) << 16 | uint32_t(bytes[position + 3]) << 24;
        position += 4;
        value = int32_t(bits);
        return true;
    }
    bool F32(float& value)
    {
        int32_t bits;
        if (!I32(bits))
            return false;
        std::memcpy(&value, &bits, 4);
        return true;
    }
    bool Point(Vector3& p) { return F32(p.x) && F32(p.y) && F32(p.z); }
    void Skip(size_t count) { position += count < Remaining() ? count : Remaining(); }

private:
    const uint8_t* bytes;
    size_t size;
    size_t position = 0;
};

bool InRange(float value)
{
    return std::fabs(value) <= TRACK_MAX_COORDINATE; // false for NaN
}

bool InRange(const Vector3& p)
{
    return InRange(p.x) && InRange(p.y) && InRange(p.z);
}

Vector3 Cross(const Vector3& u, const Vector3& w)
{
    return {u.y * w.z - u.z * w.y, u.z * w.x - u.x * w.z, u.x * w.y - u.y * w.x};
}

// The vertical plane through p and q (it also holds q + (0, 1, 0)), its normal
// u x w, or w x u when flipped. False for an edge too short to give a normal.
bool BuildPlane(const Vector3& p, const Vector3& q, bool flipped, float plane[4])
{
    Vector3 u{q.x - p.x, q.y - p.y, q.z - p.z};
    Vector3 w{q.x - p.x, q.y + 1.0f - p.y, q.z - p.z};
    Vector3 n = flipped ? Cross(w, u) : Cross(u, w);
    float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (u.x * u.x + u.z * u.z < 0.000001f || !(length > 0.0f))
        return false;
    plane[0] = n.x / length;
    plane[1] = n.y / length;
    plane[2] = n.z / length;
    plane[3] = -(plane[0] * p.x + plane[1] * p.y + plane[2] * p.z);
    return true;
}

bool IsAbove(const float plane[4], const Vector3& p)
{
    return plane[0] * p.x + plane[1] * p.y + plane[2] * p.z + plane[3] >= 0.0f;
}

// The bytes are no track: named on stderr when they came from a file.
bool Refuse(const char* path, const char* reason)
{
    return ReportRefusedData(LOAD_ERROR, path, reason);
}

} // namespace

bool TrackData::Load(const char* path)
{
    LogFormat("\nLoading track data from file \"%s\"...", path ? path : "");
    std::vector<uint8_t> bytes;
    std::string reason;
    if (path == nullptr || !backend::ReadWholeFile(path, bytes, backend::MAX_ASSET_FILE_BYTES, &reason))
        return ReportFileError(LOAD_ERROR, path, reason);
    return LoadFromMemory(bytes.data(), bytes.size(), path);
}

bool TrackData::LoadFromMemory(const uint8_t* bytes, size_t size, const char* path)
{
    Free();
    ByteReader in(bytes, bytes ? size : 0);

    // The magic: bytes up to the first NUL, at most four of them.
    char magic[4] = {};
    for (int i = 0;; ++i) {
        uint8_t c;
        if (i == 4 || !in.U8(c))
            return Refuse(path, "not a track data file");
        magic[i] = char(c);
        if (c == 0)
            break;
    }
    if (std::strcmp(magic, "TDA") != 0)
        return Refuse(path, "not a track data file");

    int32_t positionCount = 0;
    if (!in.I32(positionCount))
        return Refuse(path, "file cut short");
    if (positionCount < 1)
        return Refuse(path, "no start position");
    if (positionCount > TRACK_MAX_START_POSITIONS)
        return Refuse(path, "too many start positions");
    if (in.Remaining() < START_RECORD_SIZE * size_t(positionCount) + 4)
        return Refuse(path, "file cut short");
    std::unique_ptr<TrackStartPosition[]> positions(new (std::nothrow) TrackStartPosition[positionCount]);
    if (!positions)
        return ReportError(MEMORY_ERROR);
    for (int32_t i = 0; i < positionCount; ++i) {
        Vector3 p;
        in.Point(p);
        if (!InRange(p.x) || !InRange(p.z))
            return Refuse(path, "bad start position");
        positions[i] = {p.x, 0.0f, p.z};
    }

    int32_t gateCount = 0;
    in.I32(gateCount);
    if (gateCount < TRACK_MIN_GATES)
        return Refuse(path, "fewer than 3 gates");
    if (gateCount > TRACK_MAX_GATES)
        return Refuse(path, "too many gates");
    if (in.Remaining() < GATE_RECORD_SIZE * size_t(gateCount))
        return Refuse(path, "file cut short");
    std::unique_ptr<GateRecord[]> gates(new (std::nothrow) GateRecord[gateCount]);
    if (!gates)
        return ReportError(MEMORY_ERROR);
    for (int32_t i = 0; i < gateCount; ++i) {
        GateRecord& gate = gates[i];
        in.Point(gate.left);
        in.Point(gate.right);
        in.Point(gate.centre);
        in.Skip(12);
        in.U8(gate.checkpoint);
        in.Skip(3);
        if (!InRange(gate.left) || !InRange(gate.right) || !InRange(gate.centre.x) || !InRange(gate.centre.z))
            return Refuse(path, "bad gate coordinates");
    }

    // Every edge of every cell must give a plane before any cell is made.
    float plane[4];
    for (int32_t i = 0; i < gateCount; ++i) {
        const GateRecord& gate = gates[i];
        const GateRecord& nextGate = gates[(i + 1) % gateCount];
        if (!BuildPlane(gate.left, gate.right, false, plane) || !BuildPlane(gate.left, nextGate.left, true, plane) ||
            !BuildPlane(gate.right, nextGate.right, false, plane))
            return Refuse(path, "zero-length gate or road edge");
    }

    startPositions = positions.release();
    startPositionCount = positionCount;
    LogMessage("\nInitializing track data linked list...");

    TrackSegment* last = nullptr;
    for (int32_t i = 0; i < gateCount; ++i) {
        const GateRecord& gate = gates[i];
        const GateRecord& nextGate = gates[(i + 1) % gateCount];
        auto* segment = new (std::nothrow) TrackSegment;
        if (!segment)
            return ReportError("Error initializing track data: Not enough memory!");
        segment->index = i;
        if (i == 0) {
            segment->type = TRACK_SEGMENT_START;
        } else if (gate.checkpoint != 0) {
            segment->type = TRACK_SEGMENT_CHECKPOINT;
            segment->checkpointIndex = checkpointCount++;
        }
        segment->centre = {gate.centre.x, 0.0f, gate.centre.z};
        Vector3 v{nextGate.centre.x - gate.centre.x, 0.0f, nextGate.centre.z - gate.centre.z};
        float lengthSquared = v.x * v.x + v.y * v.y + v.z * v.z;
        if (lengthSquared >= 0.000001f) {
            float length = std::sqrt(lengthSquared);
            segment->direction = {v.x / length, v.y / length, v.z / length};
        }
        BuildPlane(gate.left, gate.right, false, segment->gatePlane);
        BuildPlane(nextGate.left, nextGate.right, true, segment->nextGatePlane);
        BuildPlane(gate.left, nextGate.left, true, segment->leftPlane);
        BuildPlane(gate.right, nextGate.right, false, segment->rightPlane);

        if (last) {
            segment->prev = last;
            last->next = segment;
        } else {
            firstSegment = segment;
        }
        last = segment;
    }
    last->next = firstSegment;
    firstSegment->prev = last;
    return true;
}

void TrackData::Free()
{
    if (firstSegment) {
        // Open the ring so that the walk ends at null whether it was closed or not.
        if (firstSegment->prev)
            firstSegment->prev->next = nullptr;
        TrackSegment* segment = firstSegment;
        while (segment) {
            TrackSegment* next = segment->next;
            delete segment;
            segment = next;
        }
        firstSegment = nullptr;
    }
    delete[] startPositions;
    startPositions = nullptr;
    startPositionCount = 0;
    checkpointCount = 0;
}

TrackSegment* TrackData::FindSegment(const Vector3* p) const
{
    TrackSegment* segment = firstSegment;
    while (segment) {
        if (IsAbove(segment->leftPlane, *p) && IsAbove(segment->rightPlane, *p) && IsAbove(segment->gatePlane, *p) &&
            IsAbove(segment->nextGatePlane, *p))
            return segment;
        segment = segment->next;
        if (segment == firstSegment)
            break;
    }
    return nullptr;
}
