#include "physics/TStackNode.h"

#include "physics/TRigidBody.h"
#include "physics/TSimulator.h"

void TStackNode::ResolveDown(int flag)
{
    visited = 1;
    TSimulator* simulator = body->simulator;
    for (TCachedContact& slot : body->cache) {
        if (!slot.IsUsed() || slot.other == nullptr || !slot.other->IsRigid()) {
            continue;
        }
        TRigidBody* support = static_cast<TRigidBody*>(slot.other);
        TStackNode* below = support->stackNode;
        if (below == nullptr || below->visited) {
            continue;
        }
        if (flag != 0 && support->constraintSet == nullptr) {
            simulator->looseGroup.AppendBody(support);
        }
        if (below->top == 0) {
            below->ResolveDown(flag);
        }
    }
    body->ResolveCachedContacts(flag);
}
