// The RIFF file reader: a file is read whole at open, and chunks are found by walking the
// headers. No read goes past the file: a chunk that claims more than the file (or its parent
// chunk) holds is searched and read only as far as the bytes really go.
#include <mmsystem.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "platform/fault.h"

struct HMMIO__ {
  std::vector<char> bytes;
  uint64_t position = 0;  // may lie past the end after a seek, as in a real file
};

namespace {

constexpr uint64_t kLargestPosition = 0x7FFFFFFF;

std::vector<std::unique_ptr<HMMIO__>>& OpenFiles() {
  static std::vector<std::unique_ptr<HMMIO__>> files;
  return files;
}

// The handle's record if it is one we opened and have not closed yet.
HMMIO__* Lookup(HMMIO file) {
  for (const auto& open : OpenFiles())
    if (open.get() == file) return file;
  return nullptr;
}

DWORD ReadDword(const HMMIO__& file, uint64_t at) {
  const auto* p = reinterpret_cast<const unsigned char*>(file.bytes.data() + at);
  return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24;
}

bool IsListChunk(FOURCC id) {
  return id == FOURCC_RIFF || id == FOURCC_LIST;
}

}  // namespace

HMMIO WINAPI mmioOpenA(LPSTR file_name, LPMMIOINFO info, DWORD open_flags) {
  auto refuse = [info](UINT error) -> HMMIO {
    if (info) info->wErrorRet = error;
    return nullptr;
  };
  if (platform::ShouldFail("mmioOpenA")) return refuse(MMIOERR_CANNOTOPEN);
  // Reading is all the engine does; sharing modes and buffering change nothing here.
  const DWORD understood = MMIO_ALLOCBUF | MMIO_DENYNONE | MMIO_DENYREAD | MMIO_EXCLUSIVE;
  if (!file_name || (open_flags & ~understood) != MMIO_READ) return refuse(MMIOERR_CANNOTOPEN);
  std::ifstream in(file_name, std::ios::binary);
  if (!in) return refuse(MMIOERR_FILENOTFOUND);
  auto file = std::make_unique<HMMIO__>();
  file->bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) return refuse(MMIOERR_CANNOTREAD);
  if (file->bytes.size() > kLargestPosition) return refuse(MMIOERR_CANNOTOPEN);
  OpenFiles().push_back(std::move(file));
  HMMIO handle = OpenFiles().back().get();
  if (info) {
    info->wErrorRet = 0;
    info->hmmio = handle;
  }
  return handle;
}

MMRESULT WINAPI mmioClose(HMMIO file, UINT flags) {
  if (!Lookup(file)) return MMSYSERR_INVALHANDLE;
  // Even a refused close lets the memory go; the handle is dead either way.
  std::erase_if(OpenFiles(), [file](const auto& open) { return open.get() == file; });
  return platform::ShouldFail("mmioClose") ? MMIOERR_CANNOTCLOSE : MMSYSERR_NOERROR;
}

LONG WINAPI mmioRead(HMMIO handle, HPSTR buffer, LONG count) {
  HMMIO__* file = Lookup(handle);
  if (!file || !buffer || count < 0 || platform::ShouldFail("mmioRead")) return -1;
  uint64_t size = file->bytes.size();
  uint64_t available = file->position < size ? size - file->position : 0;
  LONG got = LONG(std::min<uint64_t>(uint64_t(count), available));
  std::memcpy(buffer, file->bytes.data() + file->position, size_t(got));
  file->position += uint64_t(got);
  return got;
}

LONG WINAPI mmioSeek(HMMIO handle, LONG offset, int origin) {
  HMMIO__* file = Lookup(handle);
  if (!file || platform::ShouldFail("mmioSeek")) return -1;
  int64_t base = 0;
  if (origin == SEEK_CUR)
    base = int64_t(file->position);
  else if (origin == SEEK_END)
    base = int64_t(file->bytes.size());
  else if (origin != SEEK_SET)
    return -1;
  int64_t target = base + offset;
  if (target < 0 || uint64_t(target) > kLargestPosition) return -1;
  file->position = uint64_t(target);
  return LONG(target);
}

MMRESULT WINAPI mmioDescend(HMMIO handle, LPMMCKINFO chunk, const MMCKINFO* parent, UINT flags) {
  HMMIO__* file = Lookup(handle);
  if (!file || !chunk) return MMSYSERR_INVALHANDLE;
  if (platform::ShouldFail("mmioDescend")) return MMIOERR_CHUNKNOTFOUND;

  // The search runs from the current position to the end of the parent (or the file).
  uint64_t at = file->position;
  uint64_t end = file->bytes.size();
  if (parent) {
    uint64_t first_child = parent->dwDataOffset + (IsListChunk(parent->ckid) ? 4 : 0);
    at = std::max(at, first_child);
    end = std::min(end, uint64_t(parent->dwDataOffset) + parent->cksize);
  }
  FOURCC wanted_id = 0;
  if (flags & MMIO_FINDCHUNK) wanted_id = chunk->ckid;
  if (flags & MMIO_FINDRIFF) wanted_id = FOURCC_RIFF;
  if (flags & MMIO_FINDLIST) wanted_id = FOURCC_LIST;
  FOURCC wanted_type = (flags & (MMIO_FINDRIFF | MMIO_FINDLIST)) ? chunk->fccType : 0;

  while (at + 8 <= end) {
    FOURCC id = ReadDword(*file, at);
    DWORD size = ReadDword(*file, at + 4);
    uint64_t data = at + 8;
    bool list = IsListChunk(id);
    if (list && data + 4 > end) break;
    FOURCC type = list ? ReadDword(*file, data) : 0;
    if ((wanted_id == 0 || id == wanted_id) && (wanted_type == 0 || type == wanted_type)) {
      chunk->ckid = id;
      chunk->cksize = size;
      chunk->fccType = type;
      chunk->dwDataOffset = DWORD(data);
      chunk->dwFlags = 0;
      file->position = data + (list ? 4 : 0);
      return MMSYSERR_NOERROR;
    }
    // Chunks are padded to an even length.
    at = data + size + (size & 1);
  }
  return MMIOERR_CHUNKNOTFOUND;
}

MMRESULT WINAPI mmioAscend(HMMIO handle, LPMMCKINFO chunk, UINT flags) {
  HMMIO__* file = Lookup(handle);
  if (!file || !chunk) return MMSYSERR_INVALHANDLE;
  if (platform::ShouldFail("mmioAscend")) return MMIOERR_CANNOTSEEK;
  uint64_t after = uint64_t(chunk->dwDataOffset) + chunk->cksize + (chunk->cksize & 1);
  if (after > kLargestPosition) return MMIOERR_CANNOTSEEK;
  file->position = after;
  return MMSYSERR_NOERROR;
}
