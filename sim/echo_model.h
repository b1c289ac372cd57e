// A device that hands back what it was sent: every get-feature answers the
// data bytes of the last set-feature (zeros before the first), as many as
// the host asks for.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "device_model.h"

namespace kvn::sim {

class EchoModel : public DeviceModel {
 public:
  int OnSetFeature(uint8_t reportId, const uint8_t *data, std::size_t length) override;
  int OnGetFeature(uint8_t reportId, uint8_t *answer, std::size_t length, std::size_t &sent) override;

 private:
  std::vector<uint8_t> last_;
};

std::unique_ptr<DeviceModel> MakeEchoModel(const ModelOptions &options, std::string &error);

}  // namespace kvn::sim
