// The resting pass: cached contacts of awake bodies on the ground are resolved with depth correction,
// small stacks are dissolved, and every stack that is not at rest is solved as a small island.

#include "physics/TSimulator.h"

void TSimulator::ResolveRestingContacts()
{
    contactRows.Clear();
    passFlag = 1;
    finalIteration = 0;

    for (TStackNode* node = groundStack.head; node != nullptr; node = node->next) {
        TRigidBody* body = node->body;
        if (body->status == TREST_RESTING || !body->integrated) {
            continue;
        }
        contactRows.Clear();
        body->ResolveCachedContacts(0);
        if (contactRows.Count() == 0) {
            continue;
        }
        for (int32_t r = 0; r < contactRows.Count(); ++r) {
            TContact* row = &contactRows[r];
            ResolveContact(row->bodyA, row->bodyB, row, 2, 1.0f);
        }
        contactRows.Clear();
        if (body->TestRestOverSteps() && body->CheckCachedContactsStill() && body->GetSupportCount() != 0) {
            body->PutToRest();
        }
    }

    TStack* stack = stackHead;
    while (stack != nullptr) {
        TStack* next = stack->next;
        if (stack->nodeCount < 2) {
            GiveStack(stack); // a lone member goes back to the ground stack
        }
        stack = next;
    }

    for (stack = stackHead; stack != nullptr; stack = stack->next) {
        if (stack->atRest || stack->queued) {
            continue;
        }
        ResetIsland();
        stack->ResolveContacts();
        SolveIsland(2);
        passFlag = 1;
        if (looseGroup.AllReadyToRest()) {
            looseGroup.PutAllToRest(1);
        }
        ClearLooseGroup();
    }
    ClearLooseGroup();
    contactRows.Clear();
}
