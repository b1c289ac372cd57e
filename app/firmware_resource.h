// The firmware image (HEX 136) and the images (PNG 130-135, 139, 140) carried
// in the executable's GResource bundle.
#pragma once

#include <string>

#include "temp_files.h"

namespace kvn::app {

// Resource path of one of the executable's resources, e.g. ("png", 132).
std::string ResourcePath(const char *type, int id);
// Resource path of the application icon of size x size pixels.
std::string IconResourcePath(int size);

// The firmware resource "hex/136.hex" of the GResource bundle, or of another
// resource path (tests).
class GResourceFirmware : public FirmwareSource {
 public:
  explicit GResourceFirmware(std::string path = ResourcePath("hex", 136));
  FirmwareLookup Lookup() const override;

 private:
  std::string path_;
};

}  // namespace kvn::app
