#pragma once
// The function the simulator calls for every contact whose collision response asks for it,
// and the function that receives the engine's formatted messages.

struct TCollisionInfo;

typedef void (*TCollisionCallback)(TCollisionInfo* info);
typedef void (*TLogCallback)(const char* text);
