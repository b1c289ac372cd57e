#include "protocol/report_transport.h"

#include "hid/feature_report.h"

namespace kvn::protocol {
namespace {

class HidTransport final : public ReportTransport {
 public:
  bool WriteReport(const uint8_t *data, int32_t length) override {
    return hid::WriteFeatureReport(data, length);
  }
  bool ReadReport(uint8_t *dest, int32_t length) override {
    return hid::ReadFeatureReport(dest, length);
  }
};

}  // namespace

ReportTransport &HidReportTransport() {
  static HidTransport transport;
  return transport;
}

}  // namespace kvn::protocol
