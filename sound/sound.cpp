#include "sound/sound.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "shell/app_shell.h"

SoundSlot sound_slots[SOUND_SLOT_COUNT];
LPDIRECTSOUND sound_device = nullptr;
int sound_first_open = 1;
DSBUFFERDESC sound_buffer_desc;
WAVEFORMATEX sound_wave_format;

namespace {

bool IdInRange(int id) {
  return id >= 0 && id < SOUND_SLOT_COUNT;
}

bool HasBuffer(int id) {
  return IdInRange(id) && sound_slots[id].buffer;
}

int FindFreeSlot() {
  for (int i = 0; i < SOUND_SLOT_COUNT; ++i)
    if (sound_slots[i].state == SOUND_SLOT_FREE) return i;
  return -1;
}

}  // namespace

int OpenSoundSystem() {
  if (sound_first_open) {
    std::memset(sound_slots, 0, sizeof(sound_slots));
    sound_first_open = 0;
    if (DirectSoundCreate(nullptr, &sound_device, nullptr) != DS_OK) return 0;
    if (sound_device->SetCooperativeLevel(main_window, DSSCL_NORMAL) != DS_OK) return 0;
  }
  for (int i = 0; i < SOUND_SLOT_COUNT; ++i) {
    SoundSlot* slot = &sound_slots[i];
    if (slot->buffer) {
      slot->buffer->Stop();
      slot->buffer->Release();
    }
    std::memset(slot, 0, sizeof(*slot));
    slot->state = SOUND_SLOT_FREE;
    slot->slot_index = i;
  }
  return 1;
}

int CloseSoundSystem() {
  StopAllSounds();
  for (SoundSlot& slot : sound_slots) {
    if (slot.buffer) {
      slot.buffer->Release();
      slot.buffer = nullptr;
    }
  }
  if (sound_device) {
    sound_device->Release();
    sound_device = nullptr;
  }
  return 1;
}

namespace {

// Every buffer gets the same format, whatever the file said: 8-bit mono at 11025 Hz.
int FillSlotBuffer(int id, const BYTE* sample, DWORD count, DWORD control_flags) {
  std::memset(&sound_wave_format, 0, sizeof(sound_wave_format));
  sound_wave_format.wFormatTag = WAVE_FORMAT_PCM;
  sound_wave_format.nChannels = 1;
  sound_wave_format.nSamplesPerSec = 11025;
  sound_wave_format.nBlockAlign = 1;
  sound_wave_format.nAvgBytesPerSec = 11025;
  sound_wave_format.wBitsPerSample = 8;
  sound_wave_format.cbSize = 0;
  std::memset(&sound_buffer_desc, 0, sizeof(sound_buffer_desc));
  sound_buffer_desc.dwSize = sizeof(DSBUFFERDESC1);
  sound_buffer_desc.dwFlags = control_flags | DSBCAPS_STATIC | DSBCAPS_LOCSOFTWARE;
  sound_buffer_desc.dwBufferBytes = count;
  sound_buffer_desc.lpwfxFormat = &sound_wave_format;

  SoundSlot* slot = &sound_slots[id];
  if (sound_device->CreateSoundBuffer(&sound_buffer_desc, &slot->buffer, nullptr) != DS_OK)
    return -1;
  LPVOID part1 = nullptr;
  LPVOID part2 = nullptr;
  DWORD part1_bytes = 0;
  DWORD part2_bytes = 0;
  if (slot->buffer->Lock(0, count, &part1, &part1_bytes, &part2, &part2_bytes,
                         DSBLOCK_FROMWRITECURSOR) != DS_OK)
    return -1;
  // The two regions together never take more than the sample holds.
  DWORD first = part1_bytes < count ? part1_bytes : count;
  DWORD second = part2_bytes < count - first ? part2_bytes : count - first;
  std::memcpy(part1, sample, first);
  if (second) std::memcpy(part2, sample + first, second);
  if (slot->buffer->Unlock(part1, part1_bytes, part2, part2_bytes) != DS_OK) return -1;
  return id;
}

}  // namespace

int LoadWaveSound(const char* name, DWORD control_flags) {
  if (!sound_device) return -1;
  int id = FindFreeSlot();
  if (id < 0) return -1;
  MMCKINFO parent;
  MMCKINFO child;
  std::memset(&parent, 0, sizeof(parent));
  std::memset(&child, 0, sizeof(child));
  HMMIO file = mmioOpenA(const_cast<LPSTR>(name), nullptr, MMIO_READ | MMIO_ALLOCBUF);
  if (!file) return -1;

  WAVEFORMATEX format = {};
  parent.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  // The format is read as a whole WAVEFORMATEX from the first chunk: a plain 16-byte PCM
  // "fmt " chunk passes, since the read runs on into the bytes after it.
  bool found = mmioDescend(file, &parent, nullptr, MMIO_FINDRIFF) == MMSYSERR_NOERROR;
  child.ckid = mmioFOURCC('f', 'm', 't', ' ');
  found = found && mmioDescend(file, &child, &parent, 0) == MMSYSERR_NOERROR;
  found = found &&
          mmioRead(file, reinterpret_cast<HPSTR>(&format), sizeof(format)) == LONG(sizeof(format));
  found = found && format.wFormatTag == WAVE_FORMAT_PCM;
  found = found && mmioAscend(file, &child, 0) == MMSYSERR_NOERROR;
  child.ckid = mmioFOURCC('d', 'a', 't', 'a');
  found = found && mmioDescend(file, &child, &parent, MMIO_FINDCHUNK) == MMSYSERR_NOERROR;
  if (!found) {
    mmioClose(file, 0);
    return -1;
  }

  // A data chunk may claim more than the file holds: take only what is really there.
  LONG here = mmioSeek(file, 0, SEEK_CUR);
  LONG end = mmioSeek(file, 0, SEEK_END);
  mmioSeek(file, here, SEEK_SET);
  DWORD present = here >= 0 && end > here ? DWORD(end - here) : 0;
  DWORD wanted = child.cksize < present ? child.cksize : present;
  std::vector<BYTE> sample(wanted);
  LONG got = wanted ? mmioRead(file, reinterpret_cast<HPSTR>(sample.data()), LONG(wanted)) : 0;
  mmioClose(file, 0);
  DWORD count = got > 0 ? DWORD(got) : 0;

  sound_slots[id].sample_rate = int(format.nSamplesPerSec);
  sound_slots[id].byte_count = int(count);
  sound_slots[id].state = SOUND_SLOT_LOADED;
  return FillSlotBuffer(id, sample.data(), count, control_flags);
}

int LoadVocSound(const char* name) {
  if (!sound_device) return -1;
  std::FILE* file = std::fopen(name, "rb");
  if (!file) return -1;
  std::vector<BYTE> bytes;
  long length = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
  if (length > 0 && std::fseek(file, 0, SEEK_SET) == 0) {
    bytes.resize(size_t(length));
    if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) bytes.clear();
  }
  std::fclose(file);

  // The first block's offset is the low byte of the header's 16-bit field at 20. A block is
  // a type byte, a 24-bit size, the time constant, a packing byte, then the samples.
  size_t size = bytes.size();
  if (size < 22) return -1;
  size_t block = bytes[20];
  if (block + 6 > size) return -1;
  DWORD block_size =
      DWORD(bytes[block + 1]) | DWORD(bytes[block + 2]) << 8 | DWORD(bytes[block + 3]) << 16;
  if (block_size < 2 || block + 6 + (block_size - 2) > size) return -1;
  int id = FindFreeSlot();
  if (id < 0) return -1;
  sound_slots[id].sample_rate = 1000000 / (256 - bytes[block + 4]);
  sound_slots[id].byte_count = int(block_size);
  sound_slots[id].state = SOUND_SLOT_LOADED;
  return FillSlotBuffer(id, bytes.data() + block + 6, block_size - 2,
                        DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY);
}

int DuplicateSound(int id) {
  if (!HasBuffer(id)) return -1;
  int copy = FindFreeSlot();
  if (copy < 0) return -1;
  sound_slots[copy] = sound_slots[id];
  if (sound_device->DuplicateSoundBuffer(sound_slots[id].buffer, &sound_slots[copy].buffer) !=
      DS_OK) {
    sound_slots[copy].buffer = nullptr;
    sound_slots[copy].state = SOUND_SLOT_FREE;
    return -1;
  }
  sound_slots[copy].slot_index = copy;
  return copy;
}

// Starting a sound that still plays rewinds it: one sound never overlaps itself.
int StartSound(int id, DWORD play_flags) {
  if (!IdInRange(id)) return 0;
  LPDIRECTSOUNDBUFFER buffer = sound_slots[id].buffer;
  if (!buffer) return 1;
  if (buffer->SetCurrentPosition(0) != DS_OK) return 0;
  if (buffer->Play(0, 0, play_flags) != DS_OK) return 0;
  return 1;
}

int StopSound(int id) {
  if (!IdInRange(id)) return 0;
  LPDIRECTSOUNDBUFFER buffer = sound_slots[id].buffer;
  if (buffer) {
    buffer->Stop();
    buffer->SetCurrentPosition(0);
  }
  return 1;
}

int StopAllSounds() {
  for (int i = 0; i < SOUND_SLOT_COUNT; ++i) StopSound(i);
  return 1;
}

int UnloadSound(int id) {
  if (!IdInRange(id)) return 0;
  StopSound(id);
  if (sound_slots[id].buffer) {
    sound_slots[id].buffer->Release();
    sound_slots[id].buffer = nullptr;
  }
  return 1;
}

int UnloadAllSounds() {
  for (int i = 0; i < SOUND_SLOT_COUNT; ++i) UnloadSound(i);
  return 1;
}

// 0..100 maps to -30 dB..0 dB in hundredths of a decibel; above 100 DirectSound refuses.
int SetSoundVolume(int id, int volume) {
  if (!HasBuffer(id)) return 0;
  return sound_slots[id].buffer->SetVolume((volume - 100) * 30) == DS_OK ? 1 : 0;
}

int SetSoundFrequency(int id, int frequency) {
  if (!HasBuffer(id)) return 0;
  return sound_slots[id].buffer->SetFrequency(DWORD(frequency)) == DS_OK ? 1 : 0;
}

int SetSoundPan(int id, int pan) {
  if (!HasBuffer(id)) return 0;
  return sound_slots[id].buffer->SetPan(pan) == DS_OK ? 1 : 0;
}

int GetSoundStatus(int id) {
  if (!HasBuffer(id)) return -1;
  DWORD status = 0;
  if (sound_slots[id].buffer->GetStatus(&status) != DS_OK) return -1;
  return int(status);
}
