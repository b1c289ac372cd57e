// Vrel images from memory, for any chip and any size, through the exports
// that a host calls: never a read past the block or a write past the image.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "chip_catalogue.h"
#include "image/vrel_image.h"
#include "kvn_isp.h"
#include "library_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 2) return 0;
  // Byte 0 picks one of the 40 names (or, above them, none); byte 1 whether
  // the chip is selected. The rest is the block.
  const std::size_t nameIndex = data[0];
  if (nameIndex < kvn::catalogue::kChipNameList.size()) {
    const std::string name(kvn::catalogue::kChipNameList[nameIndex].name);
    KvnISP_SetChipName(name.c_str());
  } else {
    KvnISP_SetChipName("not a chip");
  }
  if ((data[1] & 1) == 0) kvn::State().chipSelected = false;

  const uint32_t count = static_cast<uint32_t>(size - 2);
  // An exact-size copy, so that any read past the block is caught.
  uint8_t *block = static_cast<uint8_t *>(std::malloc(count == 0 ? 1 : count));
  for (uint32_t i = 0; i < count; ++i) block[i] = data[2 + i];
  const KvnBool loaded = KvnISP_LoadBuffer(block, count);
  const uint16_t code = KvnISP_GetLastErrorCode();
  if (loaded && KvnISP_GetVrelCheckSum() != static_cast<uint16_t>(kvn::State().image.imageChecksum)) std::abort();
  if (!loaded && code != kvn::image::kVrelNoChip && code != kvn::image::kVrelLoadFailed &&
      code != kvn::image::kVrelWrongSize) {
    std::abort();
  }
  if (!loaded && KvnISP_GetVrelCheckSum() != 0) std::abort();
  std::free(block);
  return 0;
}
