// Physical keys as SDL names them, to the DirectInput scan codes the game reads.
#pragma once
#include <SDL_scancode.h>

#include <cstdint>

namespace host::sdl {

// The DIK_* code of a physical key; 0 for a key a standard PC keyboard does not have.
uint8_t DirectInputKey(SDL_Scancode scancode);

}  // namespace host::sdl
