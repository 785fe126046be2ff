#pragma once
// Incremental sort and sweep on x, y and z. Bodies are known by their body index: rigid bodies
// 0..R-1, animated bodies R..N-1, particles N..N+P-1 (N = R + A). Each axis keeps a sorted list of box
// endpoints; re-sorting flips one overlap bit per axis for the pairs whose endpoints cross, and a pair
// whose three bits are set holds an entry in the overlap pair buffer, walked by the body-body pass.
// Boxes that only touch do not overlap.

#include "physics/TAllocator.h"
#include "physics/TGrowArray.h"
#include "physics/TMath.h"
#include "physics/TSizeInfo.h"
#include "physics/TTerrainMesh.h"
#include "physics/TTerrainTree.h"

#include <cstdint>

class TBody;
class TBroadPhaseHost;

enum TBroadPhaseState : int32_t {
    TBROADPHASE_INSERTED = 0,
    TBROADPHASE_WAITING = 1,
    TBROADPHASE_OUTSIDE = 3, // no node
};

class TBroadPhase {
public:
    struct Endpoint {
        float value;
        int32_t body;
        int32_t next; // -1 at the tail
        int32_t prev; // -1 at the head
        uint8_t isMax;
    };

    struct Pair {
        int32_t bodyA;
        int32_t bodyB;
        int32_t next;
        int32_t prev;
        int64_t record;  // index of the pair's overlap record
        int32_t nextOfA; // the live pairs of body A, newest first
        int32_t prevOfA;
        uint8_t inUse;
    };

    TBroadPhase() = default;
    TBroadPhase(const TBroadPhase&) = delete;
    TBroadPhase& operator=(const TBroadPhase&) = delete;
    ~TBroadPhase() { Release(); }

    // Sizes every table from the size info; false when the allocator refuses a block.
    bool Create(TAllocator* allocator, TBroadPhaseHost* host, const TSizeInfo& sizes);
    void Release();

    // Queues a body for insertion at the next Update; a body that already has a node is left unchanged.
    // hintIndex names a body whose endpoints the insertion walks start from (-1: none).
    bool AddBody(TBody* body, int32_t bodyIndex, int32_t hintIndex = -1);
    // The same with the hint given as a body already in the broad phase (or null).
    bool AddBody(TBody* body, int32_t bodyIndex, TBody* hint);
    // Takes a body out at once (a waiting body simply leaves the queue).
    void RemoveBody(int32_t bodyIndex);
    // New world box of an inserted body; the next Update puts the endpoints in order.
    void SetBounds(int32_t bodyIndex, const TVec4& min, const TVec4& max);
    // Once per sub-step, after the world bounds.
    void Update();

    // Forwards the mesh to the terrain tree.
    int SetTerrainMesh(const TTerrainMesh* mesh);
    TTerrainTree& GetTerrainTree() { return terrainTree; }
    const TTerrainTree& GetTerrainTree() const { return terrainTree; }

    // Live pairs in the order they entered: for (i = FirstPair(); i >= 0; i = NextPair(i)).
    int32_t FirstPair() const { return pairHead; }
    int32_t NextPair(int32_t pair) const { return pairs[pair].next; }
    TBody* PairBodyA(int32_t pair) const { return bodies[pairs[pair].bodyA]; }
    TBody* PairBodyB(int32_t pair) const { return bodies[pairs[pair].bodyB]; }
    int32_t PairBodyIndexA(int32_t pair) const { return pairs[pair].bodyA; }
    int32_t PairBodyIndexB(int32_t pair) const { return pairs[pair].bodyB; }
    int32_t PairCount() const { return livePairs; }

    int32_t State(int32_t bodyIndex) const { return states[bodyIndex]; }
    bool HasNode(int32_t bodyIndex) const { return states[bodyIndex] != TBROADPHASE_OUTSIDE; }
    int32_t BodyCapacity() const { return bodyCount; }
    // Axis bits of the pair's overlap record (bit k = axis k); 0 for two particles.
    uint8_t OverlapBits(int32_t i, int32_t j) const;
    // Checks the sorted lists and endpoint links; for tests.
    bool CheckInvariants() const;

private:
    bool IsParticle(int32_t index) const { return index >= rigidCount + animatedCount; }
    bool IsRigid(int32_t index) const { return index < rigidCount || IsParticle(index); }
    int64_t RecordIndex(int32_t i, int32_t j) const;
    void SortAxis(int axis);
    void InsertEndpoint(int axis, int32_t endpoint, int32_t start);
    void Unlink(int axis, int32_t endpoint);
    void LinkAfter(int axis, int32_t endpoint, int32_t after);
    void ToggleOverlap(int32_t a, int32_t b, int axis);
    void ComputeOverlap(int32_t newBody, int32_t other);
    void OrderPair(int32_t* a, int32_t* b) const;
    bool TakePair(int32_t a, int32_t b, int64_t record);
    void GivePair(int32_t pair);
    // The live pair of two bodies, in either order; -1 when they have none.
    int32_t FindPair(int32_t a, int32_t b) const;
    void Number(int axis);

    TAllocator* allocator = nullptr;
    TBroadPhaseHost* host = nullptr;
    int32_t rigidCount = 0;
    int32_t animatedCount = 0;
    int32_t particleCount = 0;
    int32_t bodyCount = 0; // N + P

    // Per body.
    TBody** bodies = nullptr;
    int32_t* states = nullptr;
    int32_t* pendingOrder = nullptr; // position in the pending array while it is processed
    int32_t* pairsOfA = nullptr;     // newest live pair whose body A it is, -1: none

    // Overlap records: rigid and animated pairs, then body-particle pairs. One byte each: the axis bits,
    // and a flag while the pair holds a buffer entry (found through its body A's list of pairs).
    int64_t recordCount = 0;
    uint8_t* recordBits = nullptr;

    // Pending insertions.
    struct Pending {
        int32_t body;
        int32_t hint;
    };
    TGrowArray<Pending> pending;

    // Endpoint lists, one per axis; endpoint 2i is body i's minimum, 2i+1 its maximum. At equal coordinates
    // maxima sort before minima, so that list order matches the strict overlap test.
    Endpoint* endpoints[3] = {};
    int32_t head[3] = {-1, -1, -1};
    int32_t tail[3] = {-1, -1, -1};
    int32_t* order[3] = {}; // list position of each endpoint, refreshed when bodies are inserted

    // Overlap pair buffer.
    Pair* pairs = nullptr;
    int32_t pairCapacity = 0;
    int32_t freePair = -1;  // pairs given back
    int32_t unusedPair = 0; // the pairs from here on were never taken
    int32_t pairHead = -1;
    int32_t pairTail = -1;
    int32_t livePairs = 0;

    TTerrainTree terrainTree;
};
