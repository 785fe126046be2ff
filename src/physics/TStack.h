#pragma once
// Bodies resting on one another. The simulator's ground stack collects the bodies that rest on
// animated bodies or the terrain, and the bodies whose support is in no stack.

#include <cstdint>

class TSimulator;
class TStackNode;

class TStack {
public:
    void AddNode(TStackNode* node);
    void RemoveNode(TStackNode* node);
    // Moves every node of this stack to the tail of other.
    void MergeInto(TStack* other);
    // Regroups the members by the cached contacts that still hold; nodes left alone go back to the ground
    // stack when their body still has a contact, else back to the pool.
    void Rebuild();
    // Resolves the members' cached contacts from the top down into the simulator's contact rows.
    void ResolveContacts();

    TSimulator* simulator = nullptr;
    TStackNode* head = nullptr;
    TStackNode* tail = nullptr;
    int32_t nodeCount = 0;
    int32_t ground = 0;
    int32_t atRest = 0;
    int32_t queued = 0; // already gathered into an island in this sub-step
    TStack* next = nullptr;
    TStack* prev = nullptr;
};
