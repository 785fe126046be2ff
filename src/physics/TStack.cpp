#include "physics/TStack.h"

#include "physics/TRigidBody.h"
#include "physics/TSimulator.h"
#include "physics/TStackNode.h"

void TStack::AddNode(TStackNode* node)
{
    node->stack = this;
    node->next = nullptr;
    node->prev = tail;
    if (tail != nullptr) {
        tail->next = node;
    } else {
        head = node;
    }
    tail = node;
    ++nodeCount;
}

void TStack::RemoveNode(TStackNode* node)
{
    if (node->prev != nullptr) {
        node->prev->next = node->next;
    } else {
        head = node->next;
    }
    if (node->next != nullptr) {
        node->next->prev = node->prev;
    } else {
        tail = node->prev;
    }
    node->next = nullptr;
    node->prev = nullptr;
    node->stack = nullptr;
    --nodeCount;
}

void TStack::MergeInto(TStack* other)
{
    while (head != nullptr) {
        TStackNode* node = head;
        RemoveNode(node);
        other->AddNode(node);
    }
}

void TStack::Rebuild()
{
    TStack* self = this;
    simulator->DissolveStacks(&self, 1);
}

void TStack::ResolveContacts()
{
    for (TStackNode* node = head; node != nullptr; node = node->next) {
        node->visited = 0;
    }
    for (TStackNode* node = head; node != nullptr; node = node->next) {
        if (node->visited) {
            continue;
        }
        TRigidBody* body = node->body;
        if (body->constraintSet == nullptr) {
            simulator->looseGroup.AppendBody(body);
        }
        if (node->top == 0) {
            node->ResolveDown(1);
        }
    }
}
