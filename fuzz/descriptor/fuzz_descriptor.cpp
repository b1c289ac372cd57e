// Any byte string as a device's report descriptor. Besides surviving it,
// the parser's answer must be self-consistent.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "hid/report_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size) {
  const kvn::hid::ReportDescriptorCaps caps = kvn::hid::ParseReportDescriptor(data, size);
  if (!caps.parsed && (caps.featureReportByteLength != 0 || caps.numberFeatureValueCaps != 0)) std::abort();
  if (caps.featureReportByteLength == 0 && caps.numberFeatureValueCaps != 0) std::abort();
  if (caps.featureReportByteLength == 1 && caps.numberFeatureValueCaps != 0) std::abort();
  return 0;
}
