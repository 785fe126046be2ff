#pragma once
// The opaque handle of a game window that the backend services share: the
// window service creates it, the GPU device draws into it. Code above the
// backend only passes it along.

struct SDL_Window;

namespace backend {

struct NativeWindow {
    SDL_Window* sdlWindow = nullptr;
};

} // namespace backend
