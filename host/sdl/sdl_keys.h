// Physical keys as SDL names them, to the DirectInput scan codes the game reads.
#pragma once
#include <SDL_scancode.h>

#include <cstdint>
#include <string>

namespace host::sdl {

// The DIK_* code of a physical key; 0 for a key a standard PC keyboard does not have.
uint8_t DirectInputKey(SDL_Scancode scancode);
// What the player's keyboard layout prints on the key at a DirectInput scan code's place ("Z"
// on a German keyboard where a US one has Y); its DirectInput name when SDL has none.
std::string KeyLabel(uint8_t scan_code);

}  // namespace host::sdl
