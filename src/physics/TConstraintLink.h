#pragma once
// A joint's entry in one body's list of joints.

class TConstraint;

struct TConstraintLink {
    TConstraint* owner = nullptr;
    TConstraintLink* next = nullptr;
    TConstraintLink* prev = nullptr;
};
