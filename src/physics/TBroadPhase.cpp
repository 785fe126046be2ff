#include "physics/TBroadPhase.h"

#include "physics/TBroadPhaseHost.h"

#include <cmath>
#include <cstring>

namespace {

constexpr uint8_t ALL_AXES = 7;
// Set in an overlap record while the pair holds an entry in the pair buffer.
constexpr uint8_t HAS_PAIR = 8;

// Endpoint order: by coordinate, and at equal coordinates a maximum before a minimum.
bool Before(const TBroadPhase::Endpoint& a, const TBroadPhase::Endpoint& b)
{
    return a.value < b.value || (a.value == b.value && a.isMax && !b.isMax);
}

template <typename T> T* AllocArray(TAllocator* allocator, int64_t count)
{
    if (count <= 0) {
        return nullptr;
    }
    return static_cast<T*>(allocator->Alloc(sizeof(T) * size_t(count), 0));
}

} // namespace

bool TBroadPhase::Create(TAllocator* with, TBroadPhaseHost* owner, const TSizeInfo& sizes)
{
    Release();
    allocator = with;
    host = owner;
    rigidCount = sizes.rigidBodiesCount > 0 ? sizes.rigidBodiesCount : 0;
    animatedCount = sizes.animatedBodiesCount > 0 ? sizes.animatedBodiesCount : 0;
    particleCount = sizes.rigidParticleCount > 0 ? sizes.rigidParticleCount : 0;
    int64_t n = int64_t(rigidCount) + animatedCount;
    int64_t total = n + particleCount;
    if (total > INT32_MAX / 2) {
        return false;
    }
    bodyCount = int32_t(total);
    recordCount = n * (n - 1) / 2 + n * particleCount;
    pairCapacity = sizes.overlapPairsCount > 0 ? sizes.overlapPairsCount : 0;
    terrainTree.SetNodeReserve(sizes.reservedStartCount, sizes.reservedGrowBy);
    if (!pending.Create(allocator, 16, -1)) {
        Release();
        return false;
    }
    if (bodyCount == 0) {
        return true;
    }
    bodies = AllocArray<TBody*>(allocator, bodyCount);
    states = AllocArray<int32_t>(allocator, bodyCount);
    pendingOrder = AllocArray<int32_t>(allocator, bodyCount);
    pairsOfA = AllocArray<int32_t>(allocator, bodyCount);
    bool ok = bodies != nullptr && states != nullptr && pendingOrder != nullptr && pairsOfA != nullptr;
    for (int axis = 0; axis < 3; ++axis) {
        endpoints[axis] = AllocArray<Endpoint>(allocator, 2 * int64_t(bodyCount));
        order[axis] = AllocArray<int32_t>(allocator, 2 * int64_t(bodyCount));
        ok = ok && endpoints[axis] != nullptr && order[axis] != nullptr;
    }
    if (recordCount > 0) {
        recordBits = AllocArray<uint8_t>(allocator, recordCount);
        ok = ok && recordBits != nullptr;
    }
    if (pairCapacity > 0) {
        pairs = AllocArray<Pair>(allocator, pairCapacity);
        ok = ok && pairs != nullptr;
    }
    if (!ok) {
        Release();
        return false;
    }
    for (int32_t i = 0; i < bodyCount; ++i) {
        bodies[i] = nullptr;
        states[i] = TBROADPHASE_OUTSIDE;
        pendingOrder[i] = -1;
        pairsOfA[i] = -1;
        for (int axis = 0; axis < 3; ++axis) {
            endpoints[axis][2 * i] = Endpoint{0.0f, i, -1, -1, 0};
            endpoints[axis][2 * i + 1] = Endpoint{0.0f, i, -1, -1, 1};
        }
    }
    if (recordCount > 0) {
        std::memset(recordBits, 0, size_t(recordCount));
    }
    // Pairs past the ones ever used stay untouched, so that their pages cost no memory.
    freePair = -1;
    unusedPair = 0;
    return true;
}

void TBroadPhase::Release()
{
    terrainTree.Clear();
    pending.Release();
    if (allocator != nullptr) {
        void* blocks[] = {bodies,       states,       pendingOrder, pairsOfA, recordBits, pairs,
                          endpoints[0], endpoints[1], endpoints[2], order[0], order[1],   order[2]};
        for (void* block : blocks) {
            if (block != nullptr) {
                allocator->Free(block);
            }
        }
    }
    bodies = nullptr;
    states = nullptr;
    pendingOrder = nullptr;
    pairsOfA = nullptr;
    recordBits = nullptr;
    pairs = nullptr;
    for (int axis = 0; axis < 3; ++axis) {
        endpoints[axis] = nullptr;
        order[axis] = nullptr;
        head[axis] = tail[axis] = -1;
    }
    bodyCount = rigidCount = animatedCount = particleCount = 0;
    recordCount = 0;
    pairCapacity = 0;
    freePair = pairHead = pairTail = -1;
    unusedPair = 0;
    livePairs = 0;
}

int64_t TBroadPhase::RecordIndex(int32_t i, int32_t j) const
{
    if (i > j) {
        int32_t swap = i;
        i = j;
        j = swap;
    }
    int32_t n = rigidCount + animatedCount;
    if (j < n) {
        return int64_t(j) * (j - 1) / 2 + i;
    }
    if (i < n) {
        return int64_t(n) * (n - 1) / 2 + int64_t(particleCount) * i + (j - n);
    }
    return -1; // two particles have no record
}

uint8_t TBroadPhase::OverlapBits(int32_t i, int32_t j) const
{
    int64_t record = RecordIndex(i, j);
    return record < 0 ? 0 : uint8_t(recordBits[record] & ALL_AXES);
}

bool TBroadPhase::AddBody(TBody* body, int32_t bodyIndex, int32_t hintIndex)
{
    if (bodyIndex < 0 || bodyIndex >= bodyCount) {
        return false;
    }
    if (states[bodyIndex] != TBROADPHASE_OUTSIDE) {
        return true;
    }
    if (!pending.Push(Pending{bodyIndex, hintIndex})) {
        return false;
    }
    bodies[bodyIndex] = body;
    states[bodyIndex] = TBROADPHASE_WAITING;
    return true;
}

bool TBroadPhase::AddBody(TBody* body, int32_t bodyIndex, TBody* hint)
{
    int32_t hintIndex = -1;
    for (int32_t i = 0; hint != nullptr && i < bodyCount; ++i) {
        if (bodies[i] == hint && states[i] == TBROADPHASE_INSERTED) {
            hintIndex = i;
            break;
        }
    }
    return AddBody(body, bodyIndex, hintIndex);
}

void TBroadPhase::Unlink(int axis, int32_t e)
{
    Endpoint* list = endpoints[axis];
    Endpoint& endpoint = list[e];
    if (endpoint.prev >= 0) {
        list[endpoint.prev].next = endpoint.next;
    } else {
        head[axis] = endpoint.next;
    }
    if (endpoint.next >= 0) {
        list[endpoint.next].prev = endpoint.prev;
    } else {
        tail[axis] = endpoint.prev;
    }
    endpoint.next = endpoint.prev = -1;
}

void TBroadPhase::LinkAfter(int axis, int32_t e, int32_t after)
{
    Endpoint* list = endpoints[axis];
    Endpoint& endpoint = list[e];
    endpoint.prev = after;
    endpoint.next = after >= 0 ? list[after].next : head[axis];
    if (endpoint.next >= 0) {
        list[endpoint.next].prev = e;
    } else {
        tail[axis] = e;
    }
    if (after >= 0) {
        list[after].next = e;
    } else {
        head[axis] = e;
    }
}

void TBroadPhase::RemoveBody(int32_t bodyIndex)
{
    if (bodyIndex < 0 || bodyIndex >= bodyCount || states[bodyIndex] == TBROADPHASE_OUTSIDE) {
        return;
    }
    if (states[bodyIndex] == TBROADPHASE_WAITING) {
        // Leave the queue, so that a slot freed and taken again before the update is inserted once.
        int32_t kept = 0;
        for (int32_t i = 0; i < pending.Count(); ++i) {
            if (pending[i].body != bodyIndex) {
                pending[kept++] = pending[i];
            }
        }
        pending.Truncate(kept);
    } else {
        for (int axis = 0; axis < 3; ++axis) {
            Unlink(axis, 2 * bodyIndex);
            Unlink(axis, 2 * bodyIndex + 1);
        }
        for (int32_t p = pairHead; p >= 0;) {
            int32_t next = pairs[p].next;
            if (pairs[p].bodyA == bodyIndex || pairs[p].bodyB == bodyIndex) {
                GivePair(p);
            }
            p = next;
        }
    }
    states[bodyIndex] = TBROADPHASE_OUTSIDE;
    bodies[bodyIndex] = nullptr;
}

void TBroadPhase::SetBounds(int32_t bodyIndex, const TVec4& min, const TVec4& max)
{
    if (bodyIndex < 0 || bodyIndex >= bodyCount || states[bodyIndex] != TBROADPHASE_INSERTED) {
        return;
    }
    for (int axis = 0; axis < 3; ++axis) {
        float low = min[axis];
        float high = max[axis];
        // A body that has lost its numbers keeps its last place rather than stall the sort.
        if (!std::isfinite(low) || !std::isfinite(high)) {
            continue;
        }
        if (high < low) {
            high = low;
        }
        endpoints[axis][2 * bodyIndex].value = low;
        endpoints[axis][2 * bodyIndex + 1].value = high;
    }
}

void TBroadPhase::OrderPair(int32_t* a, int32_t* b) const
{
    // Body A is rigid whenever one of the two is; of a rigid body and a particle, the particle is B.
    bool keep = (IsRigid(*a) && !IsParticle(*a)) || (IsParticle(*a) && !IsRigid(*b));
    if (!keep) {
        int32_t swap = *a;
        *a = *b;
        *b = swap;
    }
}

bool TBroadPhase::TakePair(int32_t a, int32_t b, int64_t record)
{
    int32_t p = freePair;
    if (p >= 0) {
        freePair = pairs[p].next;
    } else if (unusedPair < pairCapacity) {
        p = unusedPair++;
    } else {
        return false;
    }
    OrderPair(&a, &b);
    pairs[p] = Pair{a, b, -1, pairTail, record, pairsOfA[a], -1, 1};
    if (pairTail >= 0) {
        pairs[pairTail].next = p;
    } else {
        pairHead = p;
    }
    pairTail = p;
    if (pairsOfA[a] >= 0) {
        pairs[pairsOfA[a]].prevOfA = p;
    }
    pairsOfA[a] = p;
    ++livePairs;
    recordBits[record] = uint8_t(recordBits[record] | HAS_PAIR);
    return true;
}

int32_t TBroadPhase::FindPair(int32_t a, int32_t b) const
{
    for (int32_t p = pairsOfA[a]; p >= 0; p = pairs[p].nextOfA) {
        if (pairs[p].bodyB == b) {
            return p;
        }
    }
    for (int32_t p = pairsOfA[b]; p >= 0; p = pairs[p].nextOfA) {
        if (pairs[p].bodyB == a) {
            return p;
        }
    }
    return -1;
}

void TBroadPhase::GivePair(int32_t p)
{
    if (p < 0 || p >= unusedPair) {
        return;
    }
    Pair& pair = pairs[p];
    if (!pair.inUse) {
        return;
    }
    if (pair.prev >= 0) {
        pairs[pair.prev].next = pair.next;
    } else {
        pairHead = pair.next;
    }
    if (pair.next >= 0) {
        pairs[pair.next].prev = pair.prev;
    } else {
        pairTail = pair.prev;
    }
    if (pair.prevOfA >= 0) {
        pairs[pair.prevOfA].nextOfA = pair.nextOfA;
    } else {
        pairsOfA[pair.bodyA] = pair.nextOfA;
    }
    if (pair.nextOfA >= 0) {
        pairs[pair.nextOfA].prevOfA = pair.prevOfA;
    }
    if (pair.record >= 0) {
        recordBits[pair.record] = uint8_t(recordBits[pair.record] & ~HAS_PAIR);
    }
    pair.inUse = 0;
    pair.prev = -1;
    pair.next = freePair;
    freePair = p;
    --livePairs;
}

void TBroadPhase::ToggleOverlap(int32_t a, int32_t b, int axis)
{
    int64_t record = RecordIndex(a, b);
    if (record < 0) {
        return;
    }
    uint8_t bit = uint8_t(1u << axis);
    const uint8_t before = recordBits[record];
    recordBits[record] = uint8_t(before ^ bit);
    if ((before & ALL_AXES) == ALL_AXES) {
        if ((before & HAS_PAIR) != 0) {
            GivePair(FindPair(a, b));
        }
        return;
    }
    if ((recordBits[record] & ALL_AXES) != ALL_AXES || host->GetPairResponse(bodies[a], bodies[b]) == 0) {
        return;
    }
    if (livePairs >= pairCapacity) {
        host->Log(1, "Overlap Pair buffer full. Increase buffer size.\n");
        return;
    }
    TakePair(a, b, record);
}

void TBroadPhase::SortAxis(int axis)
{
    Endpoint* list = endpoints[axis];
    int32_t e = head[axis] >= 0 ? list[head[axis]].next : -1;
    while (e >= 0) {
        int32_t next = list[e].next;
        int32_t at = list[e].prev;
        if (at >= 0 && Before(list[e], list[at])) {
            const Endpoint& moving = list[e];
            // Walk towards the head past every endpoint that sorts after this one; a maximum stops at its
            // own body's minimum.
            while (at >= 0 && Before(moving, list[at]) && !(moving.isMax && list[at].body == moving.body)) {
                const Endpoint& passed = list[at];
                if (passed.isMax != moving.isMax && passed.body != moving.body &&
                    !(IsParticle(passed.body) && IsParticle(moving.body))) {
                    ToggleOverlap(passed.body, moving.body, axis);
                }
                at = passed.prev;
            }
            Unlink(axis, e);
            LinkAfter(axis, e, at);
        }
        e = next;
    }
}

void TBroadPhase::InsertEndpoint(int axis, int32_t e, int32_t start)
{
    Endpoint* list = endpoints[axis];
    const Endpoint& endpoint = list[e];
    int32_t at = start;
    if (at >= 0 && !Before(endpoint, list[at])) {
        // Forwards to the last endpoint that does not sort after the new one.
        while (list[at].next >= 0 && !Before(endpoint, list[list[at].next])) {
            at = list[at].next;
        }
    } else {
        while (at >= 0 && Before(endpoint, list[at]) && !(endpoint.isMax && list[at].body == endpoint.body)) {
            at = list[at].prev;
        }
    }
    LinkAfter(axis, e, at);
}

void TBroadPhase::Number(int axis)
{
    int32_t position = 0;
    for (int32_t e = head[axis]; e >= 0; e = endpoints[axis][e].next) {
        order[axis][e] = position++;
    }
}

void TBroadPhase::ComputeOverlap(int32_t newBody, int32_t other)
{
    int64_t record = RecordIndex(newBody, other);
    if (record < 0) {
        return;
    }
    // The bits follow the list order, which the toggles of later sorts keep up to date.
    uint8_t bits = 0;
    for (int axis = 0; axis < 3; ++axis) {
        const int32_t* position = order[axis];
        if (position[2 * newBody] < position[2 * other + 1] && position[2 * other] < position[2 * newBody + 1]) {
            bits = uint8_t(bits | (1u << axis));
        }
    }
    if ((recordBits[record] & HAS_PAIR) != 0) {
        GivePair(FindPair(newBody, other));
    }
    recordBits[record] = bits;
    if (bits == ALL_AXES) {
        TakePair(newBody, other, record);
    }
}

void TBroadPhase::Update()
{
    for (int axis = 0; axis < 3; ++axis) {
        SortAxis(axis);
    }
    if (pending.Count() == 0) {
        return;
    }
    int32_t inserted = 0;
    for (int32_t m = 0; m < pending.Count(); ++m) {
        int32_t body = pending[m].body;
        if (states[body] != TBROADPHASE_WAITING || !host->IsBodyLive(bodies[body])) {
            states[body] = TBROADPHASE_OUTSIDE;
            bodies[body] = nullptr;
            continue;
        }
        TVec4 min;
        TVec4 max;
        host->ComputeWorldBounds(bodies[body], &min, &max);
        int32_t hint = pending[m].hint;
        bool useHint = hint >= 0 && hint < bodyCount && states[hint] == TBROADPHASE_INSERTED;
        states[body] = TBROADPHASE_INSERTED;
        for (int axis = 0; axis < 3; ++axis) {
            float low = std::isfinite(min[axis]) ? min[axis] : 0.0f;
            float high = std::isfinite(max[axis]) ? max[axis] : low;
            endpoints[axis][2 * body].value = low;
            endpoints[axis][2 * body + 1].value = high < low ? low : high;
            InsertEndpoint(axis, 2 * body, useHint ? 2 * hint : tail[axis]);
            InsertEndpoint(axis, 2 * body + 1, useHint ? 2 * hint + 1 : tail[axis]);
        }
        pendingOrder[body] = inserted++;
    }
    if (inserted > 0) {
        for (int axis = 0; axis < 3; ++axis) {
            Number(axis);
        }
        for (int32_t m = 0; m < pending.Count(); ++m) {
            int32_t body = pending[m].body;
            if (pendingOrder[body] < 0) {
                continue;
            }
            for (int32_t other = 0; other < bodyCount; ++other) {
                if (other == body || states[other] != TBROADPHASE_INSERTED) {
                    continue;
                }
                // Two bodies inserted in this update are paired once, by the later one.
                if (pendingOrder[other] >= 0 && pendingOrder[other] > pendingOrder[body]) {
                    continue;
                }
                if (IsParticle(body) && IsParticle(other)) {
                    continue;
                }
                ComputeOverlap(body, other);
            }
        }
        for (int32_t m = 0; m < pending.Count(); ++m) {
            pendingOrder[pending[m].body] = -1;
        }
    }
    pending.Clear();
}

int TBroadPhase::SetTerrainMesh(const TTerrainMesh* mesh)
{
    if (mesh == nullptr) {
        return 0;
    }
    return terrainTree.Build(mesh->vertices, mesh->vertexCount, mesh->triangles, mesh->triangleCount, allocator);
}

bool TBroadPhase::CheckInvariants() const
{
    int32_t inserted = 0;
    for (int32_t i = 0; i < bodyCount; ++i) {
        inserted += states[i] == TBROADPHASE_INSERTED ? 1 : 0;
    }
    for (int axis = 0; axis < 3; ++axis) {
        const Endpoint* list = endpoints[axis];
        int32_t count = 0;
        int32_t previous = -1;
        for (int32_t e = head[axis]; e >= 0; e = list[e].next) {
            if (list[e].prev != previous || states[list[e].body] != TBROADPHASE_INSERTED) {
                return false;
            }
            if (previous >= 0 && list[e].value < list[previous].value) {
                return false;
            }
            previous = e;
            if (++count > 2 * bodyCount) {
                return false;
            }
        }
        if (previous != tail[axis] || count != 2 * inserted) {
            return false;
        }
    }
    return true;
}
