#pragma once
// The physics world: fixed pools sized once by a TSizeInfo, the body lists, the broad and narrow phase with
// the terrain tree, the material and collision tables, the callbacks, and the per-step solver state.
// Single-threaded and not reentrant.

#include "physics/TAllocator.h"
#include "physics/TAnimatedBody.h"
#include "physics/TBodyList.h"
#include "physics/TBroadPhase.h"
#include "physics/TBroadPhaseHost.h"
#include "physics/TCollisionCallback.h"
#include "physics/TCollisionInfo.h"
#include "physics/TCollisionTable.h"
#include "physics/TConstraint.h"
#include "physics/TConstraintSet.h"
#include "physics/TContact.h"
#include "physics/TConvex.h"
#include "physics/TDefaultAllocator.h"
#include "physics/TForceUpdater.h"
#include "physics/TGrowArray.h"
#include "physics/TMaterial.h"
#include "physics/TMath.h"
#include "physics/TNarrowPhase.h"
#include "physics/TPerfReport.h"
#include "physics/TPerfTimer.h"
#include "physics/TPool.h"
#include "physics/TProbe.h"
#include "physics/TRigidBody.h"
#include "physics/TSizeInfo.h"
#include "physics/TStack.h"
#include "physics/TStackNode.h"
#include "physics/TTerrainMesh.h"

#include <cstdint>

class TSimulator final : public TBroadPhaseHost {
public:
    static TSimulator* CreateSimulator(const TSizeInfo* sizes, TAllocator* allocator, const TVec4* gravity);
    static void DestroySimulator(TSimulator* simulator);

    TRigidBody* CreateRigidBody() { return CreateBodyImpl(0); }
    TRigidBody* CreateBodyImpl(int particle);
    TAnimatedBody* CreateAnimatedBody();
    void FreeBody(TBody* body);
    TConstraint* CreateConstraint(TRigidBody* a, TBody* b);
    void FreeConstraint(TConstraint* constraint);
    bool SetMaterial(int index, float friction, float restitution);
    bool GetMaterial(int index, float* friction, float* restitution, float* density) const;
    TCollisionTable* GetCollisionTable() { return &collisionTable; }
    TCollisionCallback SetCollisionCallback(TCollisionCallback callback);
    void SetTerrainMesh(const TTerrainMesh* mesh);
    void Advance(float time, int steps, TPerfReport* report);

    void Log(int level, const char* text) override;
    // Diagnostics: where the engine's messages go and how many of them.
    void SetLogCallback(TLogCallback callback, int level);

    // Read access for the game's diagnostics and the tests.
    const TSizeInfo& GetSizeInfo() const { return sizeInfo; }
    const TVec4& GetGravity() const { return gravity; }
    const TVec4& GetGravityDirection() const { return gravityDirection; }
    float GetGravityMagnitude() const { return gravityMagnitude; }
    int32_t GetAdvanceCount() const { return advanceCount; }
    float GetSubStepTime() const { return dt; }
    TAllocator* GetAllocator() const { return allocator; }
    const char* GetLastMessage() const { return message; }
    TAnimatedBody* GetTerrainBody() { return &terrainBody; }
    TBroadPhase& GetBroadPhase() { return broadPhase; }
    // Diagnostics: the stacks, their nodes and the bodies agree with each other and with the pools.
    bool CheckStackInvariants() const;
    int32_t StackNodesInUse() const { return stackNodePool.UsedCount(); }
    int32_t StacksInUse() const { return stackPool.UsedCount(); }

    // Broad phase host.
    bool IsBodyLive(TBody* body) override;
    void ComputeWorldBounds(TBody* body, TVec4* min, TVec4* max) override;
    uint32_t GetPairResponse(TBody* a, TBody* b) override;

    // Stacks and solver, used by the body, stack and joint records.
    TStack* TakeStack();
    void GiveStack(TStack* stack);
    TStackNode* TakeStackNode();
    void GiveStackNode(TStackNode* node);
    int32_t PushContactRow(const TContact& row);
    bool PushJointRow(const TContact& row);
    void PushIslandStack(TStack* stack);
    TConstraintSet* TakeConstraintSet();
    void GiveConstraintSet(TConstraintSet* set);
    void LeaveConstraintSet(TBody* body);
    void ResolveContact(TBody* a, TBody* b, TContact* row, int mode, float scale);
    void WakeSupported(TBody* support);
    bool IsTerrainBody(const TBody* body) const { return body == &terrainBody; }
    bool IsBodyInUse(const TBody* body) const;
    void Message(const char* text);
    // Takes the given stacks apart and regroups their bodies by the cached contacts that still hold.
    void DissolveStacks(TStack* const* list, int32_t count);

    // The per-step state that bodies and joints read.
    TSizeInfo sizeInfo;
    TPerfReport* report = nullptr;
    TPerfTimer* perfTimer = nullptr;
    TPerfTimer timer;
    TVec4 gravity;
    TVec4 gravityDirection;
    float gravityMagnitude = 0.0f;
    int32_t advanceCount = 0;
    float dt = 0.0f;
    float inverseDt = 0.0f;
    float restSpeedSquared = 1.0f;
    int32_t stepSlot = 0;    // advance counter modulo 10
    int32_t subStepWord = 0; // cleared at the start of every sub-step
    int32_t restingBodyCount = 0;
    int32_t passFlag = 0;
    int32_t finalIteration = 0;

    TStack groundStack;
    TConstraintSet looseGroup;

private:
    TSimulator();
    ~TSimulator() override;
    bool Build(const TSizeInfo* sizes, TAllocator* callerAllocator, const TVec4* gravityVector);
    void Teardown();
    void DetachBody(TBody* body);
    void ReleaseRestingOn(TBody* body);

    // Sub-step stages, in order.
    void SubStep();
    void ClearProbeResults();
    void UpdateBodyBounds();
    void CollideBodyPairs();
    void CollideBodyPair(TBody* a, TBody* b);
    void CollideTerrain();
    void CollideBodyWithTerrain(TRigidBody* body);
    void RollCorrectedFlags();
    void ClearAnimatedMovedFlags();
    void ClearSubStepAccumulators();
    void RunConstraintPreSteps();
    void IntegrateVelocities();
    void ClearStackQueuedFlags();
    void SolveConstraintSets();
    void UpdateStacks();
    void ResolveRestingContacts();
    void RestTestAndIntegratePositions();
    void RunConstraintPostSteps();
    void ReportAdvance();

    // Contacts.
    void RegisterContact(TBody* a, TBody* b, TContact* contact);
    void ComputeRelativeVelocity(TContact* contact) const;
    void CorrectPosition(TRigidBody* body, const TVec4& offset);
    void FillCollisionInfo(TCollisionInfo* info, const TContact& contact, TBody* a, void* b, int32_t kindA,
                           int32_t kindB);

    // Solver.
    void ResetIsland();
    void ExtendIsland(int32_t* n);
    void SolveIsland(int32_t n);
    void SolveRecord(TContact* row);
    void SolveContactRow(TContact* row);
    void SolvePointRow(TContact* row);
    void SolveLineRow(TContact* row);
    void SolveLinearLimitRow(TContact* row);
    void SolveAngularLimitRow(TContact* row);
    TVec4 ContactResponse(TContact* row, int noBounce);
    void ApplyRowImpulse(TContact* row, const TVec4& impulse, bool toB);
    void IslandRestDecision();
    void ClearLooseGroup();

    void Mark(int slot)
    {
        if (report != nullptr) {
            perfTimer->Mark(slot);
        }
    }

    TPool<TConstraintSet> constraintSetPool;
    TPool<TConstraint> constraintPool;
    TPool<TForceUpdater> forceUpdaterPool;
    TPool<TStackNode> stackNodePool;
    TPool<TStack> stackPool;
    TPool<TProbe> probePool;
    TPool<TConvex> geometryPool;
    TGrowArray<TConstraintSet*> islandSets;
    TGrowArray<TStack*> islandStacks;
    TGrowArray<TContact> jointRows;
    TGrowArray<TContact> contactRows;
    TGrowArray<TStack*> stackWork;
    TGrowArray<TStackNode*> nodeWork;
    int32_t logLevel = 0;
    TMaterial materials[MATERIAL_COUNT];
    TAllocator* allocator = nullptr;
    TDefaultAllocator ownAllocator;
    TPool<TRigidBody> rigidPool;
    TPool<TAnimatedBody> animatedPool;
    TPool<TRigidBody> particlePool;
    TBodyList rigidBodies;
    TBodyList animatedBodies;
    TBodyList particles;
    TBroadPhase broadPhase;
    TNarrowPhase narrowPhase;
    TCollisionTable collisionTable;
    TGrowArray<const TTerrainTreeNode*> terrainCells;
    TGrowArray<uint32_t> terrainTriangles;
    uint32_t* triangleStamps = nullptr; // last gathering that listed each triangle
    uint32_t gatherStamp = 0;
    TAnimatedBody terrainBody;
    TConvex terrainGeometry;
    TCollisionCallback collisionCallback = nullptr;
    TLogCallback logCallback = nullptr;
    char message[256] = {};
    TCollisionInfo pairInfo;
    TCollisionInfo terrainInfo;

    // Resting stacks and constraint sets in use.
    TStack* stackHead = nullptr;
    TStack* stackTail = nullptr;
    int32_t stackCount = 0;
    TConstraintSet* setHead = nullptr;
    TConstraintSet* setTail = nullptr;
    int32_t setCount = 0;

    friend class TStack;
    friend class TConstraintSet;
    friend class TConstraint;
    friend class TRigidBody;
    friend class TBody;
};
