#include "echo_model.h"

#include <algorithm>

namespace kvn::sim {

int EchoModel::OnSetFeature(uint8_t, const uint8_t *data, std::size_t length) {
  last_.assign(data, data + length);
  return 0;
}

int EchoModel::OnGetFeature(uint8_t, uint8_t *answer, std::size_t length, std::size_t &sent) {
  std::copy_n(last_.begin(), std::min(length, last_.size()), answer);
  sent = length;
  return 0;
}

std::unique_ptr<DeviceModel> MakeEchoModel(const ModelOptions &, std::string &) {
  return std::make_unique<EchoModel>();
}

}  // namespace kvn::sim
