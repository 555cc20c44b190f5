#include "tools/headless/trace.h"

#include <charconv>
#include <cstdint>

#include "app/app.h"
#include "game/world.h"
#include "gfx/app_shell.h"
#include "gfx/random.h"

namespace runner {

namespace {

constexpr size_t kFlushAt = 1 << 20;

void Number(std::string* out, long long value) {
  char digits[24];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
  out->append(digits, end);
}

// `"name":` preceded by a comma unless it opens the object.
void Key(std::string* out, const char* name) {
  if (out->back() != '{') out->push_back(',');
  out->push_back('"');
  out->append(name);
  out->append("\":");
}

void Field(std::string* out, const char* name, long long value) {
  Key(out, name);
  Number(out, value);
}

void Numbers(std::string* out, const char* name, const int* values, int count) {
  Key(out, name);
  out->push_back('[');
  for (int i = 0; i < count; ++i) {
    if (i) out->push_back(',');
    Number(out, values[i]);
  }
  out->push_back(']');
}

void Sprite(std::string* out, const BOB& bob) {
  out->push_back('{');
  Field(out, "state", bob.state);
  Field(out, "x", bob.x);
  Field(out, "y", bob.y);
  Field(out, "frame", bob.frame);
  Field(out, "anim_tick", bob.anim_tick);
  Numbers(out, "user", bob.user_slots, 8);
  out->push_back('}');
}

void Sprites(std::string* out, const char* name, const BOB* pool, int count) {
  Key(out, name);
  out->push_back('[');
  for (int i = 0; i < count; ++i) {
    if (i) out->push_back(',');
    Sprite(out, pool[i]);
  }
  out->push_back(']');
}

void OneSprite(std::string* out, const char* name, const BOB& bob) {
  Key(out, name);
  Sprite(out, bob);
}

}  // namespace

void AppendTraceLine(long long frame, std::string* out) {
  out->push_back('{');
  Field(out, "frame", frame);
  Field(out, "tick", frame_start_tick);
  Field(out, "rand_state", RandomState());
  Field(out, "game_mode", game_mode);
  Field(out, "title_frame_count", title_frame_count);
  Field(out, "demo_turn_count", demo_turn_count);
  Field(out, "get_ready_active", get_ready_active);
  Field(out, "get_ready_count", get_ready_count);
  Field(out, "music_on", music_on);
  Field(out, "music_latch", music_latch);
  Field(out, "music_latch_count", music_latch_count);
  Field(out, "debug_display", debug_display);
  Field(out, "level", level);
  Field(out, "lives", lives);
  Field(out, "score", score);
  Field(out, "enemies_left", enemies_left);
  Field(out, "enemy_slots", enemy_slots);
  Field(out, "enemies_placed", enemies_placed);
  Field(out, "enemies_onscreen", enemies_onscreen);
  Numbers(out, "enemy_list", enemy_list, ENEMY_TANK_COUNT);
  Field(out, "enemy_list_fill", enemy_list_fill);
  Field(out, "arrival_tick", arrival_tick);
  Field(out, "arrival_wanted", arrival_wanted);
  Field(out, "arrival_active", arrival_active);
  Field(out, "mines_laid", mines_laid);
  Field(out, "mine_latch", mine_latch);
  Field(out, "mine_latch_count", mine_latch_count);
  Field(out, "fire_latch", fire_latch);
  Field(out, "fire_latch_count", fire_latch_count);
  Field(out, "respawn_pending", respawn_pending);
  Field(out, "respawn_count", respawn_count);
  Field(out, "level_won", level_won);
  Field(out, "game_over_count", game_over_count);
  Field(out, "blast_timer", blast_timer);
  Field(out, "life_pickup_timer", life_pickup_timer);
  Numbers(out, "player_shell_dir", player_shell_dir, PLAYER_SHELL_COUNT);
  OneSprite(out, "player_tank", player_tank);
  OneSprite(out, "life_pickup", life_pickup);
  OneSprite(out, "blast_pickup", blast_pickup);
  Sprites(out, "enemy_tanks", enemy_tanks, ENEMY_TANK_COUNT);
  Sprites(out, "player_shells", player_shells, PLAYER_SHELL_COUNT);
  Sprites(out, "enemy_shells", enemy_shells, ENEMY_SHELL_COUNT);
  Sprites(out, "mines", mines, MINE_COUNT);
  Sprites(out, "explosions", explosions, EXPLOSION_COUNT);
  out->append("}\n");
}

bool TraceWriter::Open(const std::string& path) {
  Close();
  file_ = std::fopen(path.c_str(), "wb");
  ok_ = file_ != nullptr;
  buffer_.reserve(kFlushAt + (64 << 10));
  return ok_;
}

void TraceWriter::WriteFrame(long long frame) {
  if (!file_) return;
  AppendTraceLine(frame, &buffer_);
  if (buffer_.size() >= kFlushAt) Flush();
}

void TraceWriter::Flush() {
  if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
    ok_ = false;
  buffer_.clear();
}

bool TraceWriter::Close() {
  if (!file_) return ok_;
  Flush();
  if (std::fclose(file_) != 0) ok_ = false;
  file_ = nullptr;
  return ok_;
}

}  // namespace runner
