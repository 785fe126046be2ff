#pragma once
// Connects the physics engine to the program: its memory goes through the
// program's allocation function under the "Physics" category.

// Installs the program's allocation functions in g_PhysicsAllocator; start-up
// calls it once, before any race creates a simulator.
void InstallPhysicsMemory();
