#include "art/assets.h"

#include <algorithm>
#include <fstream>

#include "host/common/png_writer.h"

namespace art {

std::vector<DataFile> GenerateAll() {
  const Palette& palette = GamePalette();
  return {
      {"PLAYERS.BMP", EncodeBmp(MakePlayersSheet(), palette)},
      {"EXPLODE.BMP", EncodeBmp(MakeExplodeSheet(), palette)},
      {"ARSENAL.BMP", EncodeBmp(MakeArsenalSheet(), palette)},
      {"BORDER.BMP", EncodeBmp(MakeBorder(), palette)},
      {"TITLE.BMP", EncodeBmp(MakeTitle(), palette)},
      {"Shot.WAV", EncodeWav(MakeShot())},
      {"Explode.WAV", EncodeWav(MakeExplosion())},
      {"intro.WAV", EncodeWav(MakeIntro())},
      {"Minedrop.WAV", EncodeWav(MakeMineDrop())},
      {"Pickup.WAV", EncodeWav(MakePickup())},
      {"team.WAV", EncodeWav(MakeMusic())},
      {"plan.WAV", EncodeWav(MakeLevelWon())},
  };
}

bool WriteAll(const std::string& dir, std::string* error) {
  for (const DataFile& file : GenerateAll()) {
    std::string path = dir + "/" + file.name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.bytes.data()), std::streamsize(file.bytes.size()));
    out.close();
    if (!out) {
      *error = "cannot write " + path;
      return false;
    }
  }
  return true;
}

bool WriteIcon(const std::string& path, int size, std::string* error) {
  Image icon = size == kIconSize ? MakeIcon() : ScaleIcon(MakeIcon(), size);
  std::array<host::Rgb, 256> palette;
  std::transform(GamePalette().begin(), GamePalette().end(), palette.begin(), [](Color c) {
    return host::Rgb{c.r, c.g, c.b};
  });
  // Compressed where libpng is (the desktop's icons are a tenth of the size); the browser build
  // has only the stored writer.
#ifdef __EMSCRIPTEN__
  constexpr auto write = host::common::WritePng;
#else
  constexpr auto write = host::common::WriteCompressedPng;
#endif
  if (!write(path, icon.pixels.data(), icon.width, icon.width, icon.height, palette.data())) {
    *error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace art
