// Screenshots through libpng: the title decodes back, by another decoder, to exactly the
// page's colours, in well under a tenth of the raw size.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "host/common/png_writer.h"
#include "support/temp_path.h"
#include "art/assets.h"

namespace {

std::vector<uint8_t> DecodeRgb(const std::string& path) {
  std::vector<uint8_t> rgb;
  FILE* pipe = popen(("convert '" + path + "' -depth 8 rgb:- 2>/dev/null").c_str(), "r");
  if (!pipe) return rgb;
  uint8_t buffer[65536];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    rgb.insert(rgb.end(), buffer, buffer + n);
  pclose(pipe);
  return rgb;
}

TEST(ScreenshotPng, TheTitleDecodesToItsColoursAndIsCompressed) {
  const art::Image title = art::MakeTitle();
  host::Rgb palette[256];
  std::vector<uint8_t> expected;
  for (int i = 0; i < 256; ++i) {
    const art::Color& c = art::GamePalette()[i];
    palette[i] = {c.r, c.g, c.b};
  }
  for (uint8_t index : title.pixels)
    expected.insert(expected.end(), {palette[index].r, palette[index].g, palette[index].b});

  const std::string path = TempPath("title.png");
  ASSERT_TRUE(host::common::WriteCompressedPng(path, title.pixels.data(), title.width, title.width,
                                               title.height, palette));
  EXPECT_FALSE(std::filesystem::exists(path + ".new"));
  EXPECT_EQ(DecodeRgb(path), expected);
  const auto bytes = std::filesystem::file_size(path);
  EXPECT_LT(bytes, expected.size() / 10) << bytes << " bytes";
  std::filesystem::remove(path);

  // A folder that is not there: refused, nothing left behind.
  EXPECT_FALSE(host::common::WriteCompressedPng(TempPath("no/such/folder/x.png"),
                                                title.pixels.data(), title.width, title.width,
                                                title.height, palette));
}

}  // namespace
