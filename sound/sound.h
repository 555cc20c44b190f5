// Sound effects and music: 64 slots, each one static DirectSound buffer with a whole sample.
#pragma once
#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

constexpr int SOUND_SLOT_COUNT = 64;
constexpr int SOUND_SLOT_FREE = 0;
constexpr int SOUND_SLOT_LOADED = 1;

struct SoundSlot {
  LPDIRECTSOUNDBUFFER buffer;
  int state;
  int sample_rate;
  int byte_count;
  int slot_index;
};

extern SoundSlot sound_slots[SOUND_SLOT_COUNT];
extern LPDIRECTSOUND sound_device;
extern int sound_first_open;
extern DSBUFFERDESC sound_buffer_desc;
extern WAVEFORMATEX sound_wave_format;

int OpenSoundSystem();
int CloseSoundSystem();
int LoadWaveSound(const char* name, DWORD control_flags);
int LoadVocSound(const char* name);
int DuplicateSound(int id);
int StartSound(int id, DWORD play_flags);
int StopSound(int id);
int StopAllSounds();
int UnloadSound(int id);
int UnloadAllSounds();
int SetSoundVolume(int id, int volume);
int SetSoundFrequency(int id, int frequency);
int SetSoundPan(int id, int pan);
int GetSoundStatus(int id);
