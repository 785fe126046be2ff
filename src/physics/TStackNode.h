#pragma once
// A rigid body's place in a resting stack.

#include <cstdint>

class TStack;
class TRigidBody;

class TStackNode {
public:
    // Marks this node, resolves the supports below it first, then this body's cached contacts.
    void ResolveDown(int flag);

    int32_t visited = 0;
    int32_t top = 0;         // 1 while the node was just made for a supporting body
    int32_t unsupported = 0; // 1 when none of the body's cached contacts held at the last check
    TStack* stack = nullptr;
    TRigidBody* body = nullptr;
    TStackNode* next = nullptr;
    TStackNode* prev = nullptr;
};
