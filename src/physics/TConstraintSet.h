#pragma once
// The bodies and joints that one island of the solver holds together.

#include <cstdint>

class TBody;
class TConstraint;

class TConstraintSet {
public:
    void AppendConstraint(TConstraint* constraint);
    void RemoveConstraint(TConstraint* constraint);
    void AppendBody(TBody* body);
    void RemoveBody(TBody* body);

    // Frames, anchors and rows of every enabled joint; n becomes the largest iteration count.
    void Gather(int32_t* n);
    bool AllReadyToRest();
    void PutAllToRest(int onlyIfStackAllows);
    void WakeAll();
    // Unlinks every body (their set pointer cleared) and empties both lists.
    void Clear();

    TConstraint* constraintHead = nullptr;
    TConstraint* constraintTail = nullptr;
    int32_t visited = 0;
    int32_t flags = 0;
    TBody* bodyHead = nullptr;
    TBody* bodyTail = nullptr;
    int32_t bodyCount = 0;
    TConstraintSet* next = nullptr;
    TConstraintSet* prev = nullptr;
};
