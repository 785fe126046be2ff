#pragma once
// The game's part of the physics world's material and collision tables, and
// the crash sound played for a contact that calls back.

class PhysicsEngine;
class Sound3D;
struct TCollisionInfo;

// Friction and restitution of materials 1 to 6; false at the first refusal.
bool SetupPhysicsMaterials(PhysicsEngine* physics);
// Moped body, tyres and rider against the moped body and the track objects' materials: resolve and call back.
void SetupCollisionGroups(PhysicsEngine* physics);
// Plays `crashSound` at the contact point, twice the pitch, louder with the impact speed;
// nothing while it still plays.
void PlayCrashSound(Sound3D* crashSound, const TCollisionInfo* info);
