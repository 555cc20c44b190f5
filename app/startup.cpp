#include <windows.h>
#include <ddraw.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/app.h"
#include "game/world.h"
#include "shell/app_shell.h"
#include "gfx/bitmap.h"
#include "gfx/bob.h"
#include "gfx/display.h"
#include "gfx/palette.h"
#include "shell/random.h"
#include "gfx/text.h"
#include "input/input.h"
#include "sound/sound.h"

BitmapFile work_bitmap;
Picture title_picture;
Picture border_picture;

namespace {

constexpr DWORD SOUND_CONTROLS = 224;  // volume, pan and frequency control
constexpr DWORD CYCLING = BOB_VISIBLE | BOB_CYCLE_FRAMES;
constexpr DWORD SINGLE = BOB_VISIBLE | BOB_ONE_FRAME;

struct SoundFile {
  const char* name;
  int* id;
  int volume;
};

// Explode.WAV and intro.WAV ask for more than the top of the scale, which is refused,
// so they keep the full volume every new sound starts with.
const SoundFile SOUND_FILES[] = {
    {"Shot.WAV", &snd_shot, 80},     {"Explode.WAV", &snd_explode, 110},
    {"intro.WAV", &snd_intro, 130},  {"Minedrop.WAV", &snd_minedrop, 80},
    {"Pickup.WAV", &snd_pickup, 80}, {"team.WAV", &snd_team, 100},
    {"plan.WAV", &snd_plan, 100},
};

// The loads go on whatever fails; a missing file is at least named, with the folder
// it was looked for in, so a player can tell why the screen or the speakers stay empty.
void WarnUnreadable(const char* name) {
  std::error_code error;
  std::string folder = std::filesystem::current_path(error).string();
  std::fprintf(stderr, "ferrowyn: cannot read %s in %s\n", name, folder.c_str());
}

int FileOpens(const char* name) {
  std::FILE* file = std::fopen(name, "rb");
  if (!file) return 0;
  std::fclose(file);
  return 1;
}

void LoadSheet(const char* name) {
  if (!LoadBitmapFile(&work_bitmap, name)) WarnUnreadable(name);
  InstallPalette(work_bitmap.palette);
}

void LoadFrames(BOB* bob, int count, int row) {
  for (int frame = 0; frame < count; frame++)
    LoadBobFrame(bob, &work_bitmap, frame, frame, row, LOAD_BY_CELL);
}

void CreateSprite(BOB* bob, int x, int y, int width, int height, int count, DWORD flags) {
  CreateBob(bob, x, y, width, height, count, flags, DDSCAPS_SYSTEMMEMORY);
}

void LoadFullScreenPicture(Picture* picture, const char* name) {
  if (!LoadBitmapFile(&work_bitmap, name)) WarnUnreadable(name);
  CreatePicture(picture, 0, 0, 800, 600);
  LoadPicture(picture, &work_bitmap, 0, 0, LOAD_BY_PIXEL);
  InstallPalette(work_bitmap.palette);
  UnloadBitmapFile(&work_bitmap);
}

// One shell image (column 0 of row 1) serves every shell of both sides.
void CreateShells(BOB* shells, int count) {
  for (int i = 0; i < count; i++) CreateSprite(&shells[i], 320, 240, 16, 16, 1, SINGLE);
  for (int i = 0; i < count; i++) {
    LoadBobFrame(&shells[i], &work_bitmap, 0, 0, 1, LOAD_BY_CELL);
    shells[i].state = SHELL_READY;
  }
}

void CreatePlayersSprites() {
  CreateSprite(&player_tank, 320, 240, 32, 32, 8, CYCLING);
  LoadFrames(&player_tank, 8, 0);
  int heading = RandomNext() % 4;
  player_tank.user_slots[SLOT_DEMO_HEADING] = heading;
  player_tank.frame = heading;
  player_tank.y = RandomNext() % 600;
  player_tank.x = RandomNext() % 800;
  player_tank.state = PLAYER_IN_PLAY;

  // The life pick-up is a small picture of the player's own tank.
  CreateSprite(&life_pickup, 320, 240, 32, 32, 8, CYCLING);
  LoadFrames(&life_pickup, 8, 0);
  life_pickup.frame = 0;
  life_pickup.state = LIFE_ABSENT;

  CreateSprite(&blast_pickup, 320, 240, 32, 32, 10, CYCLING);
  LoadFrames(&blast_pickup, 10, 2);
  blast_pickup.frame = 0;
  blast_pickup.x = 350;
  blast_pickup.y = 350;
  blast_pickup.state = BLAST_HIDDEN;
  SetBobAnimPeriod(&blast_pickup, 1);

  for (BOB& tank : enemy_tanks) {
    int y = RandomNext() % 600;
    int x = RandomNext() % 800;
    CreateSprite(&tank, x, y, 32, 32, 8, CYCLING);
    LoadFrames(&tank, 8, 1);
    tank.frame = 2;
    tank.state = ENEMY_FREE;
    tank.user_slots[SLOT_TREADS_ON] = 1;
  }
}

}  // namespace

int StartUpGame() {
  ShowCursor(FALSE);
  StartDisplay(800, 600, 8);
  OpenInputSystem();
  OpenSoundSystem();
  InitKeyboard();
  InitJoystick(-16, 16, -16, 16);

  LoadSheet("PLAYERS.BMP");
  // On the visible page: it stays there until the first frame is flipped.
  PrintText("L O A D I N G . . .", 343, 268, RGB(0, 255, 0), primary_surface);
  RandomSeed(MarkFrameStart());
  CreatePlayersSprites();

  UnloadBitmapFile(&work_bitmap);
  LoadSheet("EXPLODE.BMP");
  for (BOB& explosion : explosions) CreateSprite(&explosion, 320, 240, 42, 36, 14, CYCLING);
  for (BOB& explosion : explosions) {
    LoadFrames(&explosion, 14, 0);
    explosion.state = EXPLOSION_FREE;
  }

  UnloadBitmapFile(&work_bitmap);
  LoadSheet("ARSENAL.BMP");
  CreateShells(player_shells, PLAYER_SHELL_COUNT);
  CreateShells(enemy_shells, ENEMY_SHELL_COUNT);
  for (BOB& mine : mines) CreateSprite(&mine, 320, 240, 16, 16, 20, CYCLING);
  for (BOB& mine : mines) {
    LoadFrames(&mine, 20, 0);
    mine.state = MINE_UNLAID;
    SetBobAnimPeriod(&mine, 1);
  }

  UnloadBitmapFile(&work_bitmap);
  LoadFullScreenPicture(&border_picture, "BORDER.BMP");
  LoadFullScreenPicture(&title_picture, "TITLE.BMP");

  LoadGameSounds();
  RandomiseEnemyTactics();

  RECT screen = {0, 0, 800, 600};
  screen_clipper = AttachClipper(back_buffer, 1, &screen);
  StartSound(snd_team, DSBPLAY_LOOPING);
  return 1;
}

int LoadGameSounds() {
  for (const SoundFile& sound : SOUND_FILES) {
    *sound.id = LoadWaveSound(sound.name, SOUND_CONTROLS);
    // Without a sound device every load fails; only a file that is not there is news then.
    if (*sound.id < 0 && (sound_device != nullptr || !FileOpens(sound.name)))
      WarnUnreadable(sound.name);
    SetSoundVolume(*sound.id, sound.volume);
  }
  return 1;
}

int RandomiseEnemyTactics() {
  for (BOB& tank : enemy_tanks) {
    int* words = tank.user_slots;
    words[SLOT_AI_MODE] = RandomNext() % 2;
    words[SLOT_HUNT_AXIS] = RandomNext() % 2;
    words[SLOT_AI_PERIOD] = AI_PERIODS[RandomNext() % 4];
    words[SLOT_AI_COUNT] = 0;
  }
  return 1;
}

int ShutDownGame() {
  for (BOB& tank : enemy_tanks) DestroyBob(&tank);
  for (BOB& shell : player_shells) DestroyBob(&shell);
  for (BOB& shell : enemy_shells) DestroyBob(&shell);
  for (BOB& explosion : explosions) DestroyBob(&explosion);
  for (BOB& mine : mines) DestroyBob(&mine);
  DestroyBob(&blast_pickup);
  DestroyBob(&life_pickup);
  DestroyBob(&player_tank);
  DestroyPicture(&border_picture);
  DestroyPicture(&title_picture);
  CloseInputSystem();
  UnloadAllSounds();
  CloseSoundSystem();
  StopDisplay();
  return 1;
}
