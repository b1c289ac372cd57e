// Image exports: Intel HEX and binary loads, the Vrel loads and the checksum
// getter. The readers work on the image buffer and the catalogue alone; this
// file supplies them the chip that the host selected.
#include <climits>
#include <cstring>
#include <optional>
#include <string_view>

#include "chip_catalogue.h"
#include "chip_selection.h"
#include "image/binary_image.h"
#include "image/hex_readers.h"
#include "image/image_checksum.h"
#include "image/vrel_image.h"
#include "kvn_isp.h"
#include "library_state.h"

namespace {

using kvn::LibraryState;

enum class FileKind { Hex, Binary, Other };

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EndsWithIgnoringCase(std::string_view text, std::string_view ending) {
  if (text.size() < ending.size()) return false;
  const std::string_view tail = text.substr(text.size() - ending.size());
  for (std::size_t i = 0; i < tail.size(); ++i) {
    if (FoldAscii(tail[i]) != ending[i]) return false;
  }
  return true;
}

// By the last three characters alone; no dot is needed.
FileKind KindOfPath(std::string_view path) {
  if (EndsWithIgnoringCase(path, "hex")) return FileKind::Hex;
  if (EndsWithIgnoringCase(path, "bin")) return FileKind::Binary;
  return FileKind::Other;
}

// A host path, or empty when it is null or longer than any path can be.
std::string_view HostPath(const char *path) {
  if (path == nullptr) return {};
  const std::size_t length = strnlen(path, PATH_MAX);
  return length < PATH_MAX ? std::string_view(path, length) : std::string_view{};
}

// What the HEX and binary loads do first: they need a named chip, and take
// its record again from the name (keeping the old one if it matches none).
bool CommonStart(LibraryState &state) {
  if (kvn::SelectedChipName(state).empty()) return false;
  if (const std::optional<int32_t> record = kvn::LookupSelectedChip(state)) state.chipIndex = *record;
  return true;
}

// A successful HEX or binary load sets the checksum of its chip's kind.
void StoreLoadChecksum(LibraryState &state) {
  if (const std::optional<uint32_t> sum = kvn::image::LoadChecksum(state.image, state.chipIndex)) {
    state.image.imageChecksum = *sum;
  }
}

// The Vrel loads start from no image and report failures with a code.
void BeginVrelLoad(LibraryState &state) {
  state.image.imageChecksum = 0;
  state.imageLoaded = false;
}

KvnBool FinishVrelLoad(LibraryState &state, const kvn::image::VrelOutcome &outcome) {
  if (outcome.chipIndex) state.chipIndex = *outcome.chipIndex;
  if (outcome.error != kvn::image::kVrelOk) {
    kvn::StoreLastError(state, outcome.error);
    return 0;
  }
  state.image.imageChecksum = outcome.checksum;
  state.imageLoaded = true;
  return 1;
}

}  // namespace

extern "C" KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_LoadHexFileData(const char *path) {
  LibraryState &state = kvn::State();
  if (!CommonStart(state)) return 0;
  const std::string_view file = HostPath(path);
  bool loaded = false;
  switch (KindOfPath(file)) {
    case FileKind::Hex:
      loaded = kvn::image::ReadHexFile(state.image, state.chipIndex, path);
      break;
    case FileKind::Binary:
      loaded = kvn::image::LoadBinaryFile(state.image, state.chipIndex, path);
      break;
    case FileKind::Other:
      return 0;
  }
  if (!loaded) return 0;
  StoreLoadChecksum(state);
  return 1;
}

extern "C" KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_LoadHexBuffer(const char *text, int32_t length) {
  LibraryState &state = kvn::State();
  if (!CommonStart(state)) return 0;
  if (!kvn::image::ReadHexText(state.image, state.chipIndex, text, length)) return 0;
  StoreLoadChecksum(state);
  return 1;
}

extern "C" KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_LoadBinBuffer(const uint8_t *data, uint32_t count) {
  LibraryState &state = kvn::State();
  if (!CommonStart(state)) return 0;
  const uint32_t series = kvn::catalogue::CatalogueRecord(state.chipIndex).seriesCode;
  if (series != kvn::catalogue::kSeriesTolv && series != kvn::catalogue::kSeriesVrelHex) return 0;
  if (!kvn::image::LoadBinaryBlock(state.image, state.chipIndex, data, count)) return 0;
  StoreLoadChecksum(state);
  return 1;
}

extern "C" KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_LoadVrelFileData(const char *path) {
  LibraryState &state = kvn::State();
  BeginVrelLoad(state);
  const std::string_view file = HostPath(path);
  const char *openable = file.empty() ? nullptr : path;
  return FinishVrelLoad(state, kvn::image::LoadVrelFile(state.image, openable, state.chipSelected,
                                                        kvn::SelectedChipName(state)));
}

extern "C" KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_LoadBuffer(const uint8_t *data, uint32_t count) {
  LibraryState &state = kvn::State();
  BeginVrelLoad(state);
  return FinishVrelLoad(
      state, kvn::image::LoadVrelBlock(state.image, data, count, state.chipSelected, kvn::SelectedChipName(state)));
}

extern "C" KVN_ISP_API uint16_t KVN_ISP_CALL KvnISP_GetVrelCheckSum(void) {
  return static_cast<uint16_t>(kvn::State().image.imageChecksum);
}
