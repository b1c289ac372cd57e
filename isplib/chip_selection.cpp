#include "chip_selection.h"

#include <atomic>
#include <cstring>

#include "chip_catalogue.h"

namespace kvn {

std::string_view SelectedChipName(const LibraryState &state) {
  return {state.selectedChipName.data(), strnlen(state.selectedChipName.data(), state.selectedChipName.size())};
}

std::optional<int32_t> LookupSelectedChip(const LibraryState &state) {
  return catalogue::LookupChipRow(SelectedChipName(state));
}

void StoreLastError(LibraryState &state, int32_t code) {
  state.context.lastError.store(code, std::memory_order_release);
}

}  // namespace kvn
