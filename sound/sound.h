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

// Opens the sound device (once; later calls are no-ops) and clears the slots; closing stops
// and unloads every sound and releases the device.
int OpenSoundSystem();
int CloseSoundSystem();
// Loads a whole .WAV file into a free slot; returns the slot, or -1.
int LoadWaveSound(const char* name, DWORD control_flags);
// Loads a Creative .VOC file into a free slot; returns the slot, or -1. Offered, not used by
// the game.
int LoadVocSound(const char* name);
// A second slot sharing the sample, to play it twice at once; the slot, or -1. Offered, not
// used by the game.
int DuplicateSound(int id);
// Plays the slot's sound from its start (DSBPLAY_LOOPING to loop); a slot without a sound
// does nothing.
int StartSound(int id, DWORD play_flags);
// Stops one sound or all; unloads one or all. Offered, not used by the game (shut-down unloads
// through CloseSoundSystem).
int StopSound(int id);
int StopAllSounds();
int UnloadSound(int id);
int UnloadAllSounds();
// Volume 0..100, 100 the sound as recorded, each step down 0.3 dB.
int SetSoundVolume(int id, int volume);
// Playback rate in samples a second, and pan in hundredths of a decibel. Offered, not used by
// the game.
int SetSoundFrequency(int id, int frequency);
int SetSoundPan(int id, int pan);
// The buffer's DSBSTATUS_ flags, or -1. Offered, not used by the game.
int GetSoundStatus(int id);
