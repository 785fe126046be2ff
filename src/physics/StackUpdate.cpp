// After the solver: the contact caches of the bodies outside ordinary stacks are refreshed, stacks that are
// not at rest are taken apart in a five-step rhythm and regrouped, and empty stacks are returned.

#include "physics/TSimulator.h"

void TSimulator::UpdateStacks()
{
    stackWork.Clear();
    for (TStack* stack = stackHead; stack != nullptr; stack = stack->next) {
        stack->atRest = 1;
        for (TStackNode* node = stack->head; node != nullptr; node = node->next) {
            if (node->body->status != TREST_RESTING || node->body->cacheChanged) {
                stack->atRest = 0;
                break;
            }
        }
        if (!stack->atRest) {
            stackWork.Push(stack);
        }
    }

    TBodyList* lists[2] = {&rigidBodies, &particles};
    for (TBodyList* list : lists) {
        for (TBody* body = list->head; body != nullptr; body = body->listNext) {
            TRigidBody* rigid = static_cast<TRigidBody*>(body);
            TStackNode* node = rigid->stackNode;
            if (node == nullptr || node->stack != &groundStack) {
                continue;
            }
            int held = rigid->UpdateContactCache();
            rigid->cacheChanged = 0;
            if (held == 0) {
                groundStack.RemoveNode(node);
                GiveStackNode(node);
                rigid->stackNode = nullptr;
            }
            if (held <= 1 && rigid->status == TREST_RESTING && rigid->constraintSet == nullptr) {
                rigid->Wake();
            }
        }
    }

    // Staggered dissolution: the stacks whose index falls in this step's slot.
    int32_t slot = advanceCount % 5;
    int32_t chosen = 0;
    for (int32_t i = 0; i < stackWork.Count(); ++i) {
        if (i % 5 == slot && !stackWork[i]->atRest) {
            stackWork[chosen++] = stackWork[i];
        }
    }
    DissolveStacks(stackWork.Data(), chosen);
    stackWork.Clear();

    TStack* stack = stackHead;
    while (stack != nullptr) {
        TStack* next = stack->next;
        if (stack->nodeCount == 0) {
            GiveStack(stack);
        }
        stack = next;
    }
}

void TSimulator::DissolveStacks(TStack* const* list, int32_t count)
{
    nodeWork.Clear();
    for (int32_t s = 0; s < count; ++s) {
        TStack* stack = list[s];
        int32_t queued = stack->queued;
        while (stack->head != nullptr) {
            TStackNode* node = stack->head;
            stack->RemoveNode(node);
            node->visited = queued; // carries the queued flag to the regrouped stacks
            nodeWork.Push(node);
        }
        GiveStack(stack);
    }
    for (int32_t i = 0; i < nodeWork.Count(); ++i) {
        TRigidBody* body = nodeWork[i]->body;
        body->UpdateContactCache();
        body->cacheChanged = 0;
    }
    for (int32_t i = 0; i < nodeWork.Count(); ++i) {
        TStackNode* node = nodeWork[i];
        if (node->unsupported) {
            continue;
        }
        for (TCachedContact& slot : node->body->cache) {
            if (!slot.IsUsed() || slot.other == nullptr || !slot.other->IsRigid()) {
                continue;
            }
            TStackNode* below = static_cast<TRigidBody*>(slot.other)->stackNode;
            if (below == nullptr || below == node) {
                continue;
            }
            if (below->stack == &groundStack) {
                groundStack.RemoveNode(below);
            }
            TStack* own = node->stack;
            TStack* other = below->stack;
            if (own == nullptr && other == nullptr) {
                TStack* fresh = TakeStack();
                if (fresh == nullptr) {
                    continue;
                }
                fresh->queued = node->visited;
                fresh->AddNode(node);
                fresh->AddNode(below);
            } else if (own != nullptr && other == nullptr) {
                own->AddNode(below);
            } else if (own == nullptr) {
                other->AddNode(node);
            } else if (own != other) {
                other->MergeInto(own);
                GiveStack(other);
            }
        }
    }
    for (int32_t i = 0; i < nodeWork.Count(); ++i) {
        TStackNode* node = nodeWork[i];
        node->visited = 0;
        if (node->stack != nullptr) {
            continue;
        }
        TRigidBody* body = node->body;
        if (body->CachedContactCount() > 0) {
            groundStack.AddNode(node);
        } else {
            body->ClearContactCache();
            body->stackNode = nullptr;
            GiveStackNode(node);
        }
    }
    nodeWork.Clear();
}

bool TSimulator::CheckStackInvariants() const
{
    int32_t nodes = 0;
    int32_t stacks = 0;
    auto checkStack = [&](const TStack* stack) {
        int32_t count = 0;
        for (const TStackNode* node = stack->head; node != nullptr; node = node->next) {
            if (node->stack != stack || node->body == nullptr || node->body->stackNode != node) {
                return false;
            }
            if (node->next != nullptr && node->next->prev != node) {
                return false;
            }
            ++count;
        }
        nodes += count;
        return count == stack->nodeCount;
    };
    if (!checkStack(&groundStack)) {
        return false;
    }
    for (const TStack* stack = stackHead; stack != nullptr; stack = stack->next) {
        if (!stackPool.IsInUse(stack) || stack->ground || !checkStack(stack)) {
            return false;
        }
        ++stacks;
    }
    if (stacks != stackCount || stacks != stackPool.UsedCount() || nodes != stackNodePool.UsedCount()) {
        return false;
    }
    const TBodyList* lists[2] = {&rigidBodies, &particles};
    for (const TBodyList* list : lists) {
        for (const TBody* body = list->head; body != nullptr; body = body->listNext) {
            const TRigidBody* rigid = static_cast<const TRigidBody*>(body);
            if (rigid->stackNode != nullptr && rigid->stackNode->body != rigid) {
                return false;
            }
        }
    }
    return true;
}
