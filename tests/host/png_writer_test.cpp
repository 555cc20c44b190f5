// The PNG writer, read back by ImageMagick: a file that another decoder accepts and that shows
// the page through its palette.
#include "host/common/png_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/temp_path.h"

namespace {

// The file's width, height and the red, green and blue of pixel (x, y), as identify sees them.
std::string Identify(const std::string& path, int x, int y) {
  const std::string at = "p{" + std::to_string(x) + "," + std::to_string(y) + "}";
  std::string command = "identify -format '%w %h";
  for (const char* channel : {".r", ".g", ".b"})
    command += " %[fx:int(255*" + at + channel + "+0.5)]";
  command += "' " + path + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return "no pipe";
  char out[256] = {};
  if (!std::fgets(out, sizeof out, pipe)) out[0] = 0;
  pclose(pipe);
  return out;
}

TEST(PngWriter, WritesTheRowsOfAPitchedPageThroughThePalette) {
  if (std::system("command -v identify >/dev/null 2>&1") != 0) GTEST_SKIP() << "no identify";
  // 300 x 100 RGB is 90100 bytes raw: more than one stored block of the deflate stream. The
  // pitch is wider than the page, and the padding must not show.
  const int width = 300, height = 100, pitch = 304;
  std::vector<uint8_t> page(pitch * height, 9);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) page[y * pitch + x] = static_cast<uint8_t>((x + y) % 3);
  host::Rgb palette[256] = {{250, 0, 0}, {0, 128, 0}, {1, 2, 255}};
  palette[9] = {77, 77, 77};
  const std::string path = TempPath("png_writer.png");
  ASSERT_TRUE(host::common::WritePng(path, page.data(), pitch, width, height, palette));

  EXPECT_EQ(Identify(path, 0, 0), "300 100 250 0 0");
  EXPECT_EQ(Identify(path, 220, 72), "300 100 0 128 0");  // its bytes straddle the two blocks
  EXPECT_EQ(Identify(path, 299, 99), "300 100 1 2 255");  // the last pixel
  std::remove(path.c_str());

  EXPECT_FALSE(host::common::WritePng("/nonexistent-dir/page.png", page.data(), pitch, width,
                                      height, palette));
  EXPECT_FALSE(host::common::WritePng(path, page.data(), pitch, 0, height, palette));
}

}  // namespace
