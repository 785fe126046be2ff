#pragma once
// Doubly linked list of bodies through their list links; a new body goes to the tail.

#include "physics/TBody.h"

struct TBodyList {
    void Append(TBody* body)
    {
        body->listPrev = tail;
        body->listNext = nullptr;
        if (tail != nullptr) {
            tail->listNext = body;
        } else {
            head = body;
        }
        tail = body;
        ++count;
    }

    void Remove(TBody* body)
    {
        if (body->listPrev != nullptr) {
            body->listPrev->listNext = body->listNext;
        } else {
            head = body->listNext;
        }
        if (body->listNext != nullptr) {
            body->listNext->listPrev = body->listPrev;
        } else {
            tail = body->listPrev;
        }
        body->listNext = nullptr;
        body->listPrev = nullptr;
        --count;
    }

    TBody* head = nullptr;
    TBody* tail = nullptr;
    int32_t count = 0;
};
