// SDL's objects held by unique_ptr, each freed by its own SDL call.
#pragma once
#include <memory>

struct SDL_Window;
struct SDL_Surface;
struct SDL_Renderer;
struct SDL_Texture;
struct SDL_PixelFormat;
struct _SDL_Joystick;
struct _SDL_GameController;

namespace host::sdl {

// Frees any of the SDL objects above the way SDL wants.
struct SdlDeleter {
  void operator()(SDL_Window* window) const;
  void operator()(SDL_Surface* surface) const;
  void operator()(SDL_Renderer* renderer) const;
  void operator()(SDL_Texture* texture) const;
  void operator()(SDL_PixelFormat* format) const;
  void operator()(_SDL_Joystick* joystick) const;
  void operator()(_SDL_GameController* pad) const;
};

template <class T>
using SdlHandle = std::unique_ptr<T, SdlDeleter>;

}  // namespace host::sdl
