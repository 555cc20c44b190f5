#include "host/sdl/sdl_handle.h"

#include <SDL.h>

namespace host::sdl {

void SdlDeleter::operator()(SDL_Window* window) const {
  SDL_DestroyWindow(window);
}
void SdlDeleter::operator()(SDL_Surface* surface) const {
  SDL_FreeSurface(surface);
}
void SdlDeleter::operator()(SDL_Renderer* renderer) const {
  SDL_DestroyRenderer(renderer);
}
void SdlDeleter::operator()(SDL_Texture* texture) const {
  SDL_DestroyTexture(texture);
}
void SdlDeleter::operator()(SDL_PixelFormat* format) const {
  SDL_FreeFormat(format);
}
void SdlDeleter::operator()(_SDL_Joystick* joystick) const {
  SDL_JoystickClose(joystick);
}
void SdlDeleter::operator()(_SDL_GameController* pad) const {
  SDL_GameControllerClose(pad);
}

}  // namespace host::sdl
