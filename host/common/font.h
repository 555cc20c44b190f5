// The built-in bitmap font that TextOutA draws with: printable ASCII, 16 pixels high,
// proportional (about 6 pixels a character on average). Also used by the asset generator.
#pragma once

namespace host::common::font {

constexpr int kHeight = 16;

// Pixels from a character's left edge to the next character's; characters outside
// printable ASCII are drawn as '?'.
int Advance(char c);
// Whether pixel (x, y) of the character's cell is ink; x < Advance(c), y < kHeight.
bool Pixel(char c, int x, int y);
// Sum of the advances of the first `length` characters.
int TextWidth(const char* text, int length);

}  // namespace host::common::font
