// A damaged data folder: each data file missing, empty, cut at half, or replaced by noise.
// The game must still start, play and end cleanly, warning about the file it cannot read,
// and must look and sound exactly as it does with a valid copy of that file that holds
// nothing: a picture or sheet of index 0 only, a sound of silence. A sound cut short plays
// what is left of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "game/scenario_support.h"
#include "support/temp_path.h"

namespace {

namespace fs = std::filesystem;
using scenario::Json;

const char* const kDataFiles[] = {
    "PLAYERS.BMP", "EXPLODE.BMP", "ARSENAL.BMP",  "BORDER.BMP", "TITLE.BMP", "Shot.WAV",
    "Explode.WAV", "intro.WAV",   "Minedrop.WAV", "Pickup.WAV", "team.WAV",  "plan.WAV",
};

enum class Damage { kMissing, kEmpty, kHalf, kNoise };
const Damage kDamages[] = {Damage::kMissing, Damage::kEmpty, Damage::kHalf, Damage::kNoise};

std::string DamageName(Damage damage) {
  switch (damage) {
    case Damage::kMissing:
      return "missing";
    case Damage::kEmpty:
      return "empty";
    case Damage::kHalf:
      return "cut at half";
    case Damage::kNoise:
      return "noise";
  }
  return "";
}

// The title for ten frames; then a life pick-up (F3) and three blast pick-ups (two placed
// with F2) driven over win level 1, and level 2 is played driving, firing and laying a mine
// until the game is lost and the title returns. The path is fitted to where this game puts the
// pick-ups; the test below notices when a file no longer shows or sounds in it.
const char kScript[] =
    "10 tap F1\n"
    "12 tap F3\n12 down LEFT\n33 up LEFT\n33 down UP\n43 up UP\n"
    "45 tap F2\n46 down RIGHT\n148 up RIGHT\n148 down UP\n190 up UP\n"
    "300 tap F2\n301 down DOWN\n325 up DOWN\n"
    "590 down DOWN\n665 up DOWN\n665 down LEFT\n673 up LEFT\n"
    "700 down SPACE\n700 down LEFT\n800 up LEFT\n800 down UP\n900 up UP\n"
    "900 down RIGHT\n1000 up RIGHT\n1000 tap LCONTROL\n1000 down DOWN\n1100 up DOWN\n";

// The title with its demo tank; the field with enemy tanks, an explosion, shells of both
// sides in flight and a laid mine.
const int kCapturedFrames[] = {5, 1253};

std::vector<char> Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t Get32(const std::vector<char>& bytes, size_t at) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
  return value;
}

void Put32(std::vector<char>* bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) (*bytes)[at + i] = static_cast<char>(value >> (8 * i));
}

// Where the samples of a RIFF/WAVE file begin, or 0.
size_t WaveDataStart(const std::vector<char>& bytes) {
  for (size_t at = 12; at + 8 <= bytes.size();) {
    uint32_t size = Get32(bytes, at + 4);
    if (std::string(&bytes[at], 4) == "data") return at + 8;
    at += 8 + size + (size & 1);
  }
  return 0;
}

std::vector<char> Damaged(std::vector<char> bytes, Damage damage) {
  if (damage == Damage::kEmpty) bytes.clear();
  if (damage == Damage::kHalf) bytes.resize(bytes.size() / 2);
  if (damage == Damage::kNoise) {
    std::mt19937 noise(static_cast<unsigned>(bytes.size()));
    for (char& byte : bytes) byte = static_cast<char>(noise());
  }
  return bytes;
}

// What the game must make of a damaged file that it cannot read: the same file with nothing
// in it, pictures and sheets all index 0 (as a picture that never loaded), sounds silent.
std::vector<char> Blank(const std::string& name, std::vector<char> bytes) {
  if (name.ends_with(".WAV")) {
    size_t data = WaveDataStart(bytes);
    EXPECT_GT(data, 0u) << name << " has no data chunk";
    std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(data), bytes.end(), char(128));
  } else {
    std::fill(bytes.begin() + Get32(bytes, 10), bytes.end(), char{0});
  }
  return bytes;
}

// What the game must make of a sound cut at half: a whole file of what is left.
std::vector<char> WholeFirstHalf(std::vector<char> bytes) {
  size_t data = WaveDataStart(bytes);
  EXPECT_GT(data, 0u) << "no data chunk";
  bytes.resize(bytes.size() / 2);
  Put32(&bytes, 4, static_cast<uint32_t>(bytes.size() - 8));
  Put32(&bytes, data - 4, static_cast<uint32_t>(bytes.size() - data));
  return bytes;
}

// A copy of the generated data folder with `name` replaced by `bytes` (or left out).
std::string Folder(const std::string& tag, const std::string& name,
                   const std::vector<char>* bytes) {
  fs::path dir = TempPath("data-" + tag);
  fs::remove_all(dir);
  fs::create_directories(dir);
  for (const char* file : kDataFiles) {
    if (file != name) fs::copy_file(fs::path(FERROWYN_ASSETS_DIR) / file, dir / file);
  }
  if (bytes) {
    std::ofstream(dir / name, std::ios::binary)
        .write(bytes->data(), static_cast<std::streamsize>(bytes->size()));
  }
  return dir.string();
}

uint64_t Fnv(const void* data, size_t size, uint64_t hash = 14695981039346656037ull) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
  return hash;
}

uint64_t Fnv(const std::string& text) {
  return Fnv(text.data(), text.size());
}

uint64_t Fingerprint(const Json& value, uint64_t hash) {
  hash = Fnv(&value.number, sizeof value.number, Fnv(&value.type, sizeof value.type, hash));
  for (const Json& item : value.items) hash = Fingerprint(item, hash);
  for (const auto& [key, field] : value.fields)
    hash = Fingerprint(field, Fnv(key.data(), key.size(), hash));
  return hash;
}

// What one run of the script left behind; its trace, pages and sound as fingerprints.
struct Played {
  int status = -1;
  std::string err;
  long frames = 0, playing = 0;
  std::string broken;  // the first broken invariant
  uint64_t trace = 0;
  std::vector<uint64_t> pages;
  uint64_t audio = 0;
};

// Plays the script on the data folder `data`, then removes the folder.
Played Play(const std::string& data) {
  Played played;
  fs::path out = TempPath("played");
  fs::remove_all(out);
  fs::create_directories(out);
  std::string frames;
  for (int frame : kCapturedFrames) frames += (frames.empty() ? "" : ",") + std::to_string(frame);
  auto run = scenario::StreamGame(
      {"--frames", "2000", "--data", data, "--audio", (out / "audio.wav").string(), "--capture",
       out.string(), "--capture-frames", frames},
      kScript, [&](const Json& frame, const Json* before) {
        ++played.frames;
        if (frame["game_mode"].Int() == scenario::kPlaying) ++played.playing;
        if (played.broken.empty()) played.broken = scenario::BrokenInvariant(frame, before);
        played.trace = Fingerprint(frame, played.trace);
      });
  played.status = run.status;
  played.err = run.err;
  for (int frame : kCapturedFrames) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06d.png", frame);
    std::string page = scenario::ReadFile((out / name).string());
    EXPECT_FALSE(page.empty()) << "no page " << name;
    played.pages.push_back(Fnv(page));
  }
  std::string audio = scenario::ReadFile((out / "audio.wav").string());
  EXPECT_GT(audio.size(), 44u) << "no audio";
  played.audio = Fnv(audio);
  fs::remove_all(out);
  fs::remove_all(data);
  return played;
}

const Played& IntactRun() {
  static const Played intact = Play(Folder("intact", "", nullptr));
  return intact;
}

class DataFile : public testing::TestWithParam<const char*> {};

TEST_P(DataFile, GameRunsAsIfItHeldNothing) {
  const std::string name = GetParam();
  const bool sound = name.ends_with(".WAV");
  const std::vector<char> bytes = Bytes(fs::path(FERROWYN_ASSETS_DIR) / name);
  ASSERT_GT(bytes.size(), 100u);

  const Played& intact = IntactRun();
  std::vector<char> blank_file = Blank(name, bytes);
  const Played blank = Play(Folder(name + "-blank", name, &blank_file));
  // Otherwise the comparisons below could not tell a damaged file from an intact one.
  if (sound) {
    EXPECT_NE(blank.audio, intact.audio) << name << " is never heard in the script";
  } else {
    EXPECT_NE(blank.pages, intact.pages) << name << " never shows in the captured pages";
  }
  Played cut;
  if (sound) {
    std::vector<char> cut_file = WholeFirstHalf(bytes);
    cut = Play(Folder(name + "-cut", name, &cut_file));
    EXPECT_NE(cut.audio, blank.audio) << "the first half of " << name << " is never heard";
  }

  for (Damage damage : kDamages) {
    SCOPED_TRACE(name + " " + DamageName(damage));
    std::vector<char> damaged = Damaged(bytes, damage);
    Played played =
        Play(Folder(name + "-damaged", name, damage == Damage::kMissing ? nullptr : &damaged));
    ASSERT_EQ(played.status, 0) << played.err;
    EXPECT_EQ(played.frames, 2000);
    EXPECT_GT(played.playing, 500);
    EXPECT_EQ(played.broken, "");
    // A sound cut short still holds a playable start.
    const bool readable = sound && damage == Damage::kHalf;
    const std::string warning = "cannot read " + name;
    EXPECT_EQ(played.err.find(warning) != std::string::npos, !readable) << played.err;

    const Played& expected = readable ? cut : blank;
    EXPECT_EQ(played.trace, expected.trace) << "the game played differently";
    for (size_t i = 0; i < std::size(kCapturedFrames); ++i) {
      EXPECT_EQ(played.pages[i], expected.pages[i]) << "page of frame " << kCapturedFrames[i];
    }
    EXPECT_EQ(played.audio, expected.audio) << "the sound differs";
  }
}

INSTANTIATE_TEST_SUITE_P(Damaged, DataFile, testing::ValuesIn(kDataFiles),
                         [](const testing::TestParamInfo<const char*>& info) {
                           std::string file = info.param;
                           for (char& c : file) {
                             if (c == '.') c = '_';
                           }
                           return file;
                         });

TEST(DamagedDataFolder, GameRunsSilentWithNoDataFilesAtAll) {
  fs::path dir = TempPath("data-none");
  fs::create_directories(dir);
  std::string audio_path = TempPath("none-audio.wav");
  auto run =
      scenario::StreamGame({"--frames", "2000", "--data", dir.string(), "--audio", audio_path},
                           kScript, [](const Json&, const Json*) {});
  fs::remove_all(dir);
  ASSERT_EQ(run.status, 0) << run.err;
  for (const char* file : kDataFiles) {
    EXPECT_NE(run.err.find(std::string("cannot read ") + file), std::string::npos) << file;
  }
  std::vector<char> audio = Bytes(audio_path);
  fs::remove(audio_path);
  size_t data = WaveDataStart(audio);
  ASSERT_GT(data, 0u);
  ASSERT_GT(audio.size(), data + 2000u * 4);
  EXPECT_TRUE(std::all_of(audio.begin() + static_cast<std::ptrdiff_t>(data), audio.end(),
                          [](char byte) { return byte == 0; }))
      << "the game made a sound with no sound files";
}

}  // namespace
