// A host's own notices ("PAUSED", "saved ..."): a line of text in the game's font, enlarged,
// on a dark band, drawn over the presented picture and never into the game's pages.
#pragma once
#include <cstdint>
#include <string>

#include "host/common/menu.h"

namespace host::common {

// Draws `text` centred on row `centre_y` of a 32-bit image (`pitch` in bytes), each font pixel
// `scale` pixels square, in `ink` on a band of `shade`. Clipped to the image.
void DrawOverlayText(uint32_t* pixels, int pitch, int width, int height, const std::string& text,
                     int centre_y, int scale, uint32_t ink, uint32_t shade);

// Draws the menu centred on a 32-bit image: its title, its lines with the selected one in
// `selected_ink`, and its notice, as large as fits.
void DrawMenuPicture(uint32_t* pixels, int pitch, int width, int height, const MenuPicture& picture,
                     uint32_t ink, uint32_t selected_ink, uint32_t shade);

// The rows DrawOverlayText covers for this scale, centred on `centre_y`: [first, end).
struct OverlayRows {
  int first, end;
};
OverlayRows OverlayBand(int centre_y, int scale);

}  // namespace host::common
