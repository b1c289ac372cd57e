// A device that answers from a script: each get-feature takes the next
// scripted answer (its bytes, or an errno). When the script is used up the
// device starts over (loop) or stalls with EPIPE. Set-features are
// accepted unless a set errno is scripted for them, and kept for tests.
//
// The script may be extended from a test thread while the host runs: all
// members lock.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device_model.h"

namespace kvn::sim {

struct ScriptedAnswer {
  std::vector<uint8_t> data;  // the data bytes sent; fewer than asked make a short answer
  int error = 0;              // nonzero: the get fails with this errno
};

class ScriptedModel : public DeviceModel {
 public:
  explicit ScriptedModel(std::vector<ScriptedAnswer> answers = {}, bool loop = false);

  void Queue(ScriptedAnswer answer);
  void FailNextSet(int error);  // the next set-feature fails with error
  std::vector<std::vector<uint8_t>> Received() const;  // data bytes of the accepted sets
  std::size_t AnswersLeft() const;

  int OnSetFeature(uint8_t reportId, const uint8_t *data, std::size_t length) override;
  int OnGetFeature(uint8_t reportId, uint8_t *answer, std::size_t length, std::size_t &sent) override;

 private:
  mutable std::mutex mutex_;
  std::vector<ScriptedAnswer> script_;
  std::size_t next_ = 0;
  bool loop_;
  std::deque<int> setErrors_;
  std::vector<std::vector<uint8_t>> received_;
};

// Options: answers=HEX[+HEX...] (each HEX the data bytes of one answer,
// an empty one being a zero-length answer), loop=0|1.
std::unique_ptr<DeviceModel> MakeScriptedModel(const ModelOptions &options, std::string &error);

}  // namespace kvn::sim
