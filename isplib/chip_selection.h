// The chip that the host named, as the loaders and the start look it up again.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "library_state.h"

namespace kvn {

// selectedChipName as a view, never read past its field.
std::string_view SelectedChipName(const LibraryState &state);

// LookupChipRow(selectedChipName).
std::optional<int32_t> LookupSelectedChip(const LibraryState &state);

// Stores an error code for KvnISP_GetLastErrorCode.
void StoreLastError(LibraryState &state, int32_t code);

// Error codes that the frame's setters and loaders store.
namespace frame_error {
inline constexpr int32_t kPassword = 1;
inline constexpr int32_t kVendorId = 2;
inline constexpr int32_t kProductId = 3;
inline constexpr int32_t kChipName = 4;
inline constexpr int32_t kVrelLoad = 5;
inline constexpr int32_t kVrelSize = 6;
inline constexpr int32_t kSecurityLevel = 33;
}  // namespace frame_error

}  // namespace kvn
