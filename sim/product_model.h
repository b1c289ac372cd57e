// The emulated product: its user firmware and Tolv boot loader
// (tolv_bootloader.h) behind one HID interface with 64-byte feature
// reports, as kvnisp-sim's model "product".
//
// Options (besides the framework's own vid=, pid=, report=, model=):
//   chip=Tolv-01         which Tolv chip (letter case ignored; default Tolv-01)
//   mode=user|boot       starts in the user firmware (default) or already in
//                        the boot loader (give it the boot loader's ids)
//   version=20:05:00:00  the boot loader's version bytes 0-3 in order (8 hex
//                        digits, ':' '.' '-' allowed between bytes); the
//                        chip's own by default
//   codeoption=0x1234    the code option word (bytes 0-1)
//   security=0xFFFF      the security word (bytes 2-3); 0x55AA is CS3
//   entry=builtin|chip6|HEX16
//                        the boot-entry report the user firmware accepts:
//                        the product's built-in one (default), its variant
//                        for catalogue chip 6, or 16 hex digits
//   erasems=N            how long an erase takes (the chip's own by default)
//   fill=old|0xNN        flash at power-on: older firmware (default) or one byte
//   fault=LIST           fault knobs, see tolv_faults.h
//
// State (--state-dir): the flash in "flash.bin" (loaded at start when it is
// there, saved at exit) and a readable summary in "state.txt" (mode, code
// option, security word, checksum).
#pragma once

#include <memory>
#include <string>

#include "device_model.h"
#include "tolv_bootloader.h"

namespace kvn::sim {

class ProductModel : public DeviceModel {
 public:
  explicit ProductModel(TolvConfig config);

  int OnSetFeature(uint8_t reportId, const uint8_t *data, std::size_t length) override;
  int OnGetFeature(uint8_t reportId, uint8_t *answer, std::size_t length, std::size_t &sent) override;
  void Attach(ModelHost &host) override { host_ = &host; }
  bool LoadState(const std::filesystem::path &dir, std::string &error) override;
  bool SaveState(const std::filesystem::path &dir, std::string &error) override;

  // The microcontroller, for tests (its snapshots are thread-safe).
  const TolvBootloader &Chip() const { return *loader_; }

 private:
  std::unique_ptr<TolvBootloader> loader_;
  TolvConfig config_;
  ModelHost *host_ = nullptr;
};

// Reads the options above into config; false with a reason in error.
bool ParseProductOptions(const ModelOptions &options, TolvConfig &config, std::string &error);

std::unique_ptr<DeviceModel> MakeProductModel(const ModelOptions &options, std::string &error);

}  // namespace kvn::sim
