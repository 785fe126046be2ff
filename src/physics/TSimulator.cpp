// Creation and teardown of the simulator, its pools, and the giving out and taking back of records.

#include "physics/TSimulator.h"

#include <cmath>
#include <cstdio>
#include <new>

TSimulator::TSimulator()
{
    terrainBody.collisionId = TERRAIN_COLLISION_ID;
    terrainBody.bodyIndex = -1;
    terrainBody.simulator = this;
    terrainGeometry.type = TCONVEX_TRIANGLE;
    groundStack.ground = 1;
    groundStack.simulator = this;
    perfTimer = &timer;
}

TSimulator::~TSimulator() = default;

TSimulator* TSimulator::CreateSimulator(const TSizeInfo* sizes, TAllocator* allocator, const TVec4* gravity)
{
    TSimulator* simulator = new (std::nothrow) TSimulator();
    if (simulator == nullptr) {
        return nullptr;
    }
    if (!simulator->Build(sizes, allocator, gravity)) {
        simulator->Teardown();
        delete simulator;
        return nullptr;
    }
    return simulator;
}

void TSimulator::DestroySimulator(TSimulator* simulator)
{
    if (simulator == nullptr) {
        return;
    }
    simulator->Teardown();
    delete simulator;
}

bool TSimulator::Build(const TSizeInfo* sizes, TAllocator* callerAllocator, const TVec4* gravityVector)
{
    if (sizes != nullptr) {
        sizeInfo = *sizes;
    }
    int32_t* counts = &sizeInfo.rigidBodiesCount;
    for (int i = 0; i < 10; ++i) {
        if (counts[i] < 0) {
            counts[i] = 0; // a negative pool size makes an empty pool
        }
    }
    allocator = callerAllocator != nullptr ? callerAllocator : &ownAllocator;

    gravity = gravityVector != nullptr ? Vec(gravityVector->x, gravityVector->y, gravityVector->z) : TVec4{};
    float squared = LengthSquared3(gravity);
    float length = std::sqrt(squared);
    gravityDirection = (squared < 1e-6f || length == 0.0f) ? TVec4{} : gravity * (1.0f / length);
    gravityMagnitude = std::isfinite(length) ? length : 0.0f;

    int32_t rigid = sizeInfo.rigidBodiesCount;
    int32_t animated = sizeInfo.animatedBodiesCount;
    int32_t particle = sizeInfo.rigidParticleCount;
    if (!rigidPool.Create(allocator, rigid) || !animatedPool.Create(allocator, animated) ||
        !particlePool.Create(allocator, particle)) {
        return false;
    }
    TSizeInfo broadSizes = sizeInfo;
    if (!broadPhase.Create(allocator, this, broadSizes)) {
        return false;
    }
    broadPhase.GetTerrainTree().SetNodeReserve(sizeInfo.reservedStartCount, sizeInfo.reservedGrowBy);
    advanceCount = 0;

    bool built = terrainCells.Create(allocator, 100, 100) && terrainTriangles.Create(allocator, 200, 200) &&
                 constraintPool.Create(allocator, sizeInfo.constraintsCount) &&
                 constraintSetPool.Create(allocator, sizeInfo.constraintSetsCount) &&
                 stackNodePool.Create(allocator, rigid + particle) &&
                 stackPool.Create(allocator, rigid + particle + 100) &&
                 forceUpdaterPool.Create(allocator, sizeInfo.forceUpdatersCount) &&
                 probePool.Create(allocator, sizeInfo.probesCount) &&
                 geometryPool.Create(allocator, sizeInfo.geometriesCount) && islandSets.Create(allocator, 1000, 100) &&
                 islandStacks.Create(allocator, 1000, 100) && jointRows.Create(allocator, 100, 100) &&
                 contactRows.Create(allocator, 100, 100) && stackWork.Create(allocator, 1000, 100) &&
                 nodeWork.Create(allocator, 1000, 100) && narrowPhase.Create(allocator, sizeInfo.geometriesCount);
    if (!built) {
        return false;
    }
    collisionCallback = nullptr;
    logCallback = nullptr;
    logLevel = 0;
    timer.Calibrate();
    return true;
}

void TSimulator::Teardown()
{
    while (rigidBodies.head != nullptr) {
        FreeBody(rigidBodies.head);
    }
    while (particles.head != nullptr) {
        FreeBody(particles.head);
    }
    while (animatedBodies.head != nullptr) {
        FreeBody(animatedBodies.head);
    }
    if (triangleStamps != nullptr) {
        allocator->Free(triangleStamps);
        triangleStamps = nullptr;
    }
    terrainCells.Release();
    terrainTriangles.Release();
    broadPhase.Release();
    narrowPhase.Release();
    rigidPool.Release();
    animatedPool.Release();
    particlePool.Release();
    islandSets.Release();
    islandStacks.Release();
    jointRows.Release();
    contactRows.Release();
    stackWork.Release();
    nodeWork.Release();
    constraintSetPool.Release();
    constraintPool.Release();
    forceUpdaterPool.Release();
    stackNodePool.Release();
    stackPool.Release();
    probePool.Release();
    geometryPool.Release();
}

void TSimulator::Log(int level, const char* text)
{
    if (logCallback != nullptr && level <= logLevel) {
        logCallback(text);
    }
}

void TSimulator::SetLogCallback(TLogCallback callback, int level)
{
    logCallback = callback;
    logLevel = level;
}

void TSimulator::Message(const char* text)
{
    std::snprintf(message, sizeof(message), "%s", text);
    Log(1, message);
}

bool TSimulator::SetMaterial(int index, float friction, float restitution)
{
    if (index < 0 || index >= MATERIAL_COUNT) {
        return false;
    }
    materials[index] = TMaterial{friction, restitution, 0.0f};
    return true;
}

bool TSimulator::GetMaterial(int index, float* friction, float* restitution, float* density) const
{
    if (index < 0 || index >= MATERIAL_COUNT) {
        return false;
    }
    *friction = materials[index].friction;
    *restitution = materials[index].restitution;
    *density = materials[index].density;
    return true;
}

TCollisionCallback TSimulator::SetCollisionCallback(TCollisionCallback callback)
{
    TCollisionCallback previous = collisionCallback;
    collisionCallback = callback;
    return previous;
}

void TSimulator::SetTerrainMesh(const TTerrainMesh* mesh)
{
    if (mesh == nullptr || broadPhase.SetTerrainMesh(mesh) == 0) {
        return;
    }
    if (triangleStamps != nullptr) {
        allocator->Free(triangleStamps);
        triangleStamps = nullptr;
    }
    const TTerrainTree& tree = broadPhase.GetTerrainTree();
    int32_t count = tree.TriangleCount();
    if (count > 0) {
        triangleStamps = static_cast<uint32_t*>(allocator->Alloc(sizeof(uint32_t) * size_t(count), 0));
        if (triangleStamps != nullptr) {
            for (int32_t i = 0; i < count; ++i) {
                triangleStamps[i] = 0;
            }
        }
    }
    gatherStamp = 0;
    // Room for the most a gathering can list (every leaf, every triangle once), so the
    // terrain pass never grows them; should that fail they still grow on demand.
    terrainCells.Reserve(tree.NodeCount() + 1);
    terrainTriangles.Reserve(count);
}

// Bodies.

TRigidBody* TSimulator::CreateBodyImpl(int particle)
{
    TPool<TRigidBody>& pool = particle ? particlePool : rigidPool;
    TRigidBody* body = pool.Take();
    if (body == nullptr) {
        Message(particle ? "Run out of RigidBodies. Increase 'rigidParticleCount'.\n"
                         : "Run out of RigidBodies. Increase 'rigidBodiesCount'.\n");
        return nullptr;
    }
    body->simulator = this;
    body->particle = particle ? 1 : 0;
    int32_t slot = pool.SlotOf(body);
    body->bodyIndex = particle ? sizeInfo.rigidBodiesCount + sizeInfo.animatedBodiesCount + slot : slot;
    (particle ? particles : rigidBodies).Append(body);
    body->UpdateDerivedState();
    body->RefreshGravityForce();
    body->ResetRestReference();
    return body;
}

TAnimatedBody* TSimulator::CreateAnimatedBody()
{
    TAnimatedBody* body = animatedPool.Take();
    if (body == nullptr) {
        return nullptr;
    }
    body->simulator = this;
    body->bodyIndex = sizeInfo.rigidBodiesCount + animatedPool.SlotOf(body);
    animatedBodies.Append(body);
    return body;
}

bool TSimulator::IsBodyInUse(const TBody* body) const
{
    if (body == &terrainBody) {
        return true;
    }
    if (body->kind == TBODY_RIGID) {
        return rigidPool.IsInUse(body) || particlePool.IsInUse(body);
    }
    return animatedPool.IsInUse(body);
}

void TSimulator::FreeBody(TBody* body)
{
    if (body == nullptr) {
        return;
    }
    bool valid;
    const char* complaint;
    if (animatedPool.SlotOf(body) >= 0) {
        valid = animatedPool.IsInUse(body);
        complaint = "Trying to Free invalid AnimatedBody.\n";
    } else if (particlePool.SlotOf(body) >= 0) {
        valid = particlePool.IsInUse(body);
        complaint = "Trying to Free invalid RigidParticle.\n";
    } else {
        valid = rigidPool.IsInUse(body);
        complaint = "Trying to Free invalid RigidBody.\n";
    }
    if (!valid) {
        Message(complaint);
        return;
    }
    DetachBody(body);
    if (body->kind == TBODY_RIGID) {
        TRigidBody* rigid = static_cast<TRigidBody*>(body);
        if (rigid->particle) {
            particles.Remove(body);
            particlePool.Give(rigid);
        } else {
            rigidBodies.Remove(body);
            rigidPool.Give(rigid);
        }
    } else {
        animatedBodies.Remove(body);
        animatedPool.Give(static_cast<TAnimatedBody*>(body));
    }
}

void TSimulator::DetachBody(TBody* body)
{
    while (body->probes != nullptr) {
        TProbe* probe = body->probes;
        body->probes = probe->next;
        probePool.Give(probe);
    }
    broadPhase.RemoveBody(body->bodyIndex);
    TConvex* geometry = body->bounds.next;
    while (geometry != nullptr) {
        TConvex* next = geometry->next;
        geometry->inUse = 0;
        geometryPool.Give(geometry);
        geometry = next;
    }
    body->bounds.next = nullptr;
    body->bounds.geometryCount = 0;
    body->lastGeometry = nullptr;
    while (body->constraintHead != nullptr) {
        FreeConstraint(body->constraintHead->owner);
    }
    if (body->kind == TBODY_RIGID) {
        TRigidBody* rigid = static_cast<TRigidBody*>(body);
        while (rigid->forceUpdaters != nullptr) {
            TForceUpdater* updater = rigid->forceUpdaters;
            rigid->forceUpdaters = updater->next;
            forceUpdaterPool.Give(updater);
        }
        rigid->ReleaseStackNode();
        rigid->ClearContactCache();
    }
    ReleaseRestingOn(body);
    LeaveConstraintSet(body);
}

// The contacts of other bodies that rest on a body that leaves the world: unlinked, and their owners woken.
void TSimulator::ReleaseRestingOn(TBody* body)
{
    while (body->restingHead != nullptr) {
        TCachedContact* slot = body->restingHead;
        TRigidBody* owner = slot->owner;
        slot->Unlink();
        if (owner != nullptr) {
            owner->resolvedCount = 0;
            owner->Wake();
        }
    }
}

// Joints and constraint sets.

TConstraint* TSimulator::CreateConstraint(TRigidBody* a, TBody* b)
{
    if (a == nullptr || b == nullptr) {
        return nullptr;
    }
    TConstraint* constraint = constraintPool.Take();
    if (constraint == nullptr) {
        Message("Run out of Constraints. Increase 'constraintsCount'.\n");
        return nullptr;
    }
    constraint->Reset();
    constraint->simulator = this;
    constraint->bodyA = a;
    constraint->bodyB = b;
    a->LinkConstraint(&constraint->linkA);
    b->LinkConstraint(&constraint->linkB);
    return constraint;
}

void TSimulator::FreeConstraint(TConstraint* constraint)
{
    if (constraint == nullptr || !constraintPool.IsInUse(constraint)) {
        return;
    }
    TRigidBody* a = constraint->bodyA;
    TBody* b = constraint->bodyB;
    if (a != nullptr) {
        a->UnlinkConstraint(&constraint->linkA);
    }
    if (b != nullptr) {
        b->UnlinkConstraint(&constraint->linkB);
    }
    if (constraint->set != nullptr) {
        constraint->set->RemoveConstraint(constraint);
    }
    TConstraintSet* set = a != nullptr ? a->constraintSet : nullptr;
    if (set != nullptr) {
        set->flags |= 2; // marked for rebuilding
    }
    constraintPool.Give(constraint);
    if (a != nullptr && a->constraintCount == 0) {
        LeaveConstraintSet(a);
    }
    if (b != nullptr && b->constraintCount == 0) {
        LeaveConstraintSet(b);
    }
}

void TSimulator::LeaveConstraintSet(TBody* body)
{
    TConstraintSet* set = body->constraintSet;
    if (set == nullptr || set == &looseGroup) {
        return;
    }
    set->RemoveBody(body);
    set->flags |= 2;
    if (set->bodyCount == 0) {
        while (set->constraintHead != nullptr) {
            set->RemoveConstraint(set->constraintHead);
        }
        GiveConstraintSet(set);
    }
}

TConstraintSet* TSimulator::TakeConstraintSet()
{
    TConstraintSet* set = constraintSetPool.Take();
    if (set == nullptr) {
        return nullptr;
    }
    set->prev = setTail;
    set->next = nullptr;
    if (setTail != nullptr) {
        setTail->next = set;
    } else {
        setHead = set;
    }
    setTail = set;
    ++setCount;
    return set;
}

void TSimulator::GiveConstraintSet(TConstraintSet* set)
{
    if (set->prev != nullptr) {
        set->prev->next = set->next;
    } else {
        setHead = set->next;
    }
    if (set->next != nullptr) {
        set->next->prev = set->prev;
    } else {
        setTail = set->prev;
    }
    --setCount;
    constraintSetPool.Give(set);
}

// Stacks.

TStack* TSimulator::TakeStack()
{
    TStack* stack = stackPool.Take();
    if (stack == nullptr) {
        return nullptr;
    }
    stack->simulator = this;
    stack->prev = stackTail;
    stack->next = nullptr;
    if (stackTail != nullptr) {
        stackTail->next = stack;
    } else {
        stackHead = stack;
    }
    stackTail = stack;
    ++stackCount;
    return stack;
}

void TSimulator::GiveStack(TStack* stack)
{
    if (stack == &groundStack || !stackPool.IsInUse(stack)) {
        return;
    }
    while (stack->head != nullptr) {
        TStackNode* node = stack->head;
        stack->RemoveNode(node);
        groundStack.AddNode(node);
    }
    if (stack->prev != nullptr) {
        stack->prev->next = stack->next;
    } else {
        stackHead = stack->next;
    }
    if (stack->next != nullptr) {
        stack->next->prev = stack->prev;
    } else {
        stackTail = stack->prev;
    }
    --stackCount;
    stackPool.Give(stack);
}

TStackNode* TSimulator::TakeStackNode()
{
    return stackNodePool.Take();
}

void TSimulator::GiveStackNode(TStackNode* node)
{
    stackNodePool.Give(node);
}

void TSimulator::PushIslandStack(TStack* stack)
{
    islandStacks.Push(stack);
}

bool TSimulator::PushJointRow(const TContact& row)
{
    return jointRows.Push(row);
}

int32_t TSimulator::PushContactRow(const TContact& row)
{
    contactRows.Push(row);
    return contactRows.Count();
}

// Broad phase host.

bool TSimulator::IsBodyLive(TBody* body)
{
    return body != nullptr && IsBodyInUse(body);
}

void TSimulator::ComputeWorldBounds(TBody* body, TVec4* min, TVec4* max)
{
    body->ComputeWorldBox();
    *min = body->worldMin;
    *max = body->worldMax;
}

uint32_t TSimulator::GetPairResponse(TBody* a, TBody* b)
{
    if (a->collisionId == TERRAIN_COLLISION_ID && b->collisionId == TERRAIN_COLLISION_ID) {
        return TCOLLISION_NONE;
    }
    return collisionTable.Get(a->collisionId, b->collisionId);
}
