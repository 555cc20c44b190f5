// DirectSound on the host: secondary buffers over the software mixer. The mixer is handed to
// the host's audio output while a DirectSound object exists; with no audio device the
// buffers still work and are simply not heard.
#include <dsound.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/com_object.h"
#include "platform/fault.h"
#include "host/host.h"
#include "platform/mixer.h"

namespace {

class SoundBuffer;
class DirectSound;

// Everything the stand-in keeps, in one place.
struct SoundState {
  platform::Mixer mixer;
  int live_sound_objects = 0;
  platform::LiveObjects objects;
};

SoundState& State();
using platform::SharedMixer;

bool ValidFormat(const WAVEFORMATEX& format) {
  return format.wFormatTag == WAVE_FORMAT_PCM && (format.nChannels == 1 || format.nChannels == 2) &&
         (format.wBitsPerSample == 8 || format.wBitsPerSample == 16) &&
         format.nBlockAlign == format.nChannels * format.wBitsPerSample / 8 &&
         format.nSamplesPerSec >= DSBFREQUENCY_MIN && format.nSamplesPerSec <= DSBFREQUENCY_MAX;
}

class SoundBuffer final : public platform::ComObject<IDirectSoundBuffer> {
 public:
  SoundBuffer(DWORD flags, const WAVEFORMATEX& format, std::shared_ptr<std::vector<uint8_t>> sample)
      : flags_(flags), rate_(format.nSamplesPerSec) {
    voice_.sample = std::move(sample);
    voice_.channels = format.nChannels;
    voice_.bytes_per_sample = format.wBitsPerSample / 8;
    voice_.frequency = rate_;
    SharedMixer().Attach(&voice_);
  }
  ~SoundBuffer() override { SharedMixer().Detach(&voice_); }

  // A duplicate shares the sample and starts with the original's settings, stopped.
  SoundBuffer(const SoundBuffer& original)
      : SoundBuffer(original.flags_, original.Format(), original.voice_.sample) {
    volume_ = original.volume_;
    pan_ = original.pan_;
    SharedMixer().SetLevels(&voice_, volume_, pan_);
    SharedMixer().SetFrequency(&voice_, original.voice_.frequency);
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object) *object = nullptr;
    return E_NOINTERFACE;
  }

  HRESULT STDMETHODCALLTYPE GetCurrentPosition(LPDWORD play_cursor, LPDWORD write_cursor) override {
    if (platform::ShouldFail("IDirectSoundBuffer::GetCurrentPosition")) return DSERR_GENERIC;
    // The mixer reads nothing ahead of the play cursor, so writing may start right there.
    DWORD cursor = SharedMixer().FramePosition(&voice_) * voice_.BlockBytes();
    if (play_cursor) *play_cursor = cursor;
    if (write_cursor) *write_cursor = cursor;
    return DS_OK;
  }

  HRESULT STDMETHODCALLTYPE GetVolume(LPLONG volume) override {
    if (!volume) return DSERR_INVALIDPARAM;
    if (!(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
    *volume = volume_;
    return DS_OK;
  }

  HRESULT STDMETHODCALLTYPE GetStatus(LPDWORD status) override {
    if (!status) return DSERR_INVALIDPARAM;
    if (platform::ShouldFail("IDirectSoundBuffer::GetStatus")) return DSERR_GENERIC;
    platform::VoiceStatus now = SharedMixer().Status(&voice_);
    *status = now.playing ? DSBSTATUS_PLAYING | (now.looping ? DSBSTATUS_LOOPING : 0) : 0;
    return DS_OK;
  }

  HRESULT STDMETHODCALLTYPE Lock(DWORD offset, DWORD bytes, LPVOID* part1, LPDWORD part1_bytes,
                                 LPVOID* part2, LPDWORD part2_bytes, DWORD flags) override {
    if (!part1 || !part1_bytes) return DSERR_INVALIDPARAM;
    if (platform::ShouldFail("IDirectSoundBuffer::Lock")) return DSERR_BUFFERLOST;
    DWORD size = Size();
    if (flags & DSBLOCK_ENTIREBUFFER) bytes = size;
    if (flags & DSBLOCK_FROMWRITECURSOR) GetCurrentPosition(nullptr, &offset);
    if (offset >= size || bytes == 0 || bytes > size) return DSERR_INVALIDPARAM;
    // A region that runs past the end goes on from the start as a second part.
    DWORD first = std::min(bytes, size - offset);
    DWORD second = part2 ? bytes - first : 0;
    *part1 = voice_.sample->data() + offset;
    *part1_bytes = first;
    if (part2) *part2 = second ? voice_.sample->data() : nullptr;
    if (part2_bytes) *part2_bytes = second;
    return DS_OK;
  }

  HRESULT STDMETHODCALLTYPE Play(DWORD reserved1, DWORD priority, DWORD flags) override {
    if (platform::ShouldFail("IDirectSoundBuffer::Play")) return DSERR_BUFFERLOST;
    if (priority != 0) return DSERR_INVALIDPARAM;
    SharedMixer().Play(&voice_, (flags & DSBPLAY_LOOPING) != 0);
    return DS_OK;
  }

  HRESULT STDMETHODCALLTYPE SetCurrentPosition(DWORD position) override {
    if (platform::ShouldFail("IDirectSoundBuffer::SetCurrentPosition")) return DSERR_GENERIC;
    if (position >= Size()) return DSERR_INVALIDPARAM;
    SharedMixer().SetFramePosition(&voice_, position / voice_.BlockBytes());
    return DS_OK;
  }

  HRESULT STDMETHODCALLTYPE SetVolume(LONG volume) override {
    if (platform::ShouldFail("IDirectSoundBuffer::SetVolume")) return DSERR_GENERIC;
    if (!(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
    if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
    volume_ = volume;
    SharedMixer().SetLevels(&voice_, volume_, pan_);
    return DS_OK;
  }

  HRESULT STDMETHODCALLTYPE SetPan(LONG pan) override {
    if (platform::ShouldFail("IDirectSoundBuffer::SetPan")) return DSERR_GENERIC;
    if (!(flags_ & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
    if (pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
    pan_ = pan;
    SharedMixer().SetLevels(&voice_, volume_, pan_);
    return DS_OK;
  }

  HRESULT STDMETHODCALLTYPE SetFrequency(DWORD frequency) override {
    if (platform::ShouldFail("IDirectSoundBuffer::SetFrequency")) return DSERR_GENERIC;
    if (!(flags_ & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
    if (frequency == DSBFREQUENCY_ORIGINAL) frequency = rate_;
    if (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX) return DSERR_INVALIDPARAM;
    SharedMixer().SetFrequency(&voice_, frequency);
    return DS_OK;
  }

  HRESULT STDMETHODCALLTYPE Stop() override {
    if (platform::ShouldFail("IDirectSoundBuffer::Stop")) return DSERR_GENERIC;
    SharedMixer().Stop(&voice_);
    return DS_OK;
  }

  HRESULT STDMETHODCALLTYPE Unlock(LPVOID part1, DWORD part1_bytes, LPVOID part2,
                                   DWORD part2_bytes) override {
    if (platform::ShouldFail("IDirectSoundBuffer::Unlock")) return DSERR_GENERIC;
    // The regions must be ones Lock could have handed out; the bytes are already in place.
    const uint8_t* start = voice_.sample->data();
    const uint8_t* first = static_cast<const uint8_t*>(part1);
    DWORD size = Size();
    if (!first || first < start || first >= start + size ||
        part1_bytes > size - DWORD(first - start))
      return DSERR_INVALIDPARAM;
    if (part2 ? (part2 != start || part2_bytes > size) : part2_bytes != 0)
      return DSERR_INVALIDPARAM;
    return DS_OK;
  }

 private:
  DWORD Size() const { return DWORD(voice_.sample->size()); }
  WAVEFORMATEX Format() const {
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = WORD(voice_.channels);
    format.nSamplesPerSec = rate_;
    format.wBitsPerSample = WORD(voice_.bytes_per_sample * 8);
    format.nBlockAlign = WORD(voice_.BlockBytes());
    format.nAvgBytesPerSec = rate_ * format.nBlockAlign;
    return format;
  }

  DWORD flags_;
  DWORD rate_;  // the format's own rate, to which frequency 0 returns
  LONG volume_ = 0;
  LONG pan_ = 0;
  platform::Voice voice_;
};

class DirectSound final : public platform::ComObject<IDirectSound> {
 public:
  DirectSound() {
    if (State().live_sound_objects++ == 0) {
      SharedMixer().SetOutputRate(host::Current().AudioRate());
      host::Current().SetAudioSource(&SharedMixer());
    }
  }
  ~DirectSound() override {
    if (--State().live_sound_objects == 0) host::Current().SetAudioSource(nullptr);
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object) *object = nullptr;
    return E_NOINTERFACE;
  }

  HRESULT STDMETHODCALLTYPE CreateSoundBuffer(LPCDSBUFFERDESC desc, LPLPDIRECTSOUNDBUFFER buffer,
                                              IUnknown* outer) override {
    if (!buffer) return DSERR_INVALIDPARAM;
    *buffer = nullptr;
    if (platform::ShouldFail("IDirectSound::CreateSoundBuffer")) return DSERR_OUTOFMEMORY;
    if (outer) return DSERR_NOAGGREGATION;
    if (!desc || (desc->dwSize != sizeof(DSBUFFERDESC) && desc->dwSize != sizeof(DSBUFFERDESC1)))
      return DSERR_INVALIDPARAM;
    // The engine plays through secondary buffers only; the primary one is not offered.
    if (desc->dwFlags & DSBCAPS_PRIMARYBUFFER) return DSERR_UNSUPPORTED;
    if (!desc->lpwfxFormat) return DSERR_INVALIDPARAM;
    const WAVEFORMATEX& format = *desc->lpwfxFormat;
    if (!ValidFormat(format)) return DSERR_BADFORMAT;
    if (desc->dwBufferBytes < DSBSIZE_MIN || desc->dwBufferBytes > DSBSIZE_MAX ||
        desc->dwBufferBytes < format.nBlockAlign)
      return DSERR_INVALIDPARAM;
    // A fresh buffer holds silence: the mid value for unsigned 8-bit samples.
    auto sample = std::make_shared<std::vector<uint8_t>>(desc->dwBufferBytes,
                                                         format.wBitsPerSample == 8 ? 0x80 : 0);
    *buffer = State().objects.Make<SoundBuffer>(desc->dwFlags, format, std::move(sample));
    return DS_OK;
  }

  HRESULT STDMETHODCALLTYPE DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER original,
                                                 LPLPDIRECTSOUNDBUFFER duplicate) override {
    if (!original || !duplicate) return DSERR_INVALIDPARAM;
    *duplicate = nullptr;
    if (platform::ShouldFail("IDirectSound::DuplicateSoundBuffer")) return DSERR_OUTOFMEMORY;
    *duplicate = State().objects.Make<SoundBuffer>(*static_cast<SoundBuffer*>(original));
    return DS_OK;
  }

  HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD level) override {
    if (platform::ShouldFail("IDirectSound::SetCooperativeLevel")) return DSERR_GENERIC;
    if (level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY) return DSERR_INVALIDPARAM;
    return DS_OK;
  }
};

SoundState& State() {
  // Never destroyed, with the objects and the mixer they play through: see LiveObjects.
  static auto& state = *new SoundState;
  return state;
}

}  // namespace

platform::Mixer& platform::SharedMixer() {
  return State().mixer;
}

HRESULT WINAPI DirectSoundCreate(LPCGUID device, LPDIRECTSOUND* sound, LPUNKNOWN outer) {
  if (!sound) return DSERR_INVALIDPARAM;
  *sound = nullptr;
  if (platform::ShouldFail("DirectSoundCreate")) return DSERR_NODRIVER;
  if (outer) return DSERR_NOAGGREGATION;
  // Only the default device exists here.
  if (device) return DSERR_NODRIVER;
  *sound = State().objects.Make<DirectSound>();
  return DS_OK;
}
