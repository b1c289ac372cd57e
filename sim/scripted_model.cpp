#include "scripted_model.h"

#include <algorithm>
#include <cerrno>

#include "hex_text.h"

namespace kvn::sim {

ScriptedModel::ScriptedModel(std::vector<ScriptedAnswer> answers, bool loop)
    : script_(std::move(answers)), loop_(loop) {}

void ScriptedModel::Queue(ScriptedAnswer answer) {
  std::lock_guard lock(mutex_);
  script_.push_back(std::move(answer));
}

void ScriptedModel::FailNextSet(int error) {
  std::lock_guard lock(mutex_);
  setErrors_.push_back(error);
}

std::vector<std::vector<uint8_t>> ScriptedModel::Received() const {
  std::lock_guard lock(mutex_);
  return received_;
}

std::size_t ScriptedModel::AnswersLeft() const {
  std::lock_guard lock(mutex_);
  return script_.size() - next_;
}

int ScriptedModel::OnSetFeature(uint8_t, const uint8_t *data, std::size_t length) {
  std::lock_guard lock(mutex_);
  if (!setErrors_.empty()) {
    const int error = setErrors_.front();
    setErrors_.pop_front();
    if (error != 0) return error;
  }
  received_.emplace_back(data, data + length);
  return 0;
}

int ScriptedModel::OnGetFeature(uint8_t, uint8_t *answer, std::size_t length, std::size_t &sent) {
  std::lock_guard lock(mutex_);
  if (next_ >= script_.size() && loop_) next_ = 0;
  if (next_ >= script_.size()) return EPIPE;
  const ScriptedAnswer &a = script_[next_++];
  if (a.error != 0) return a.error;
  sent = std::min(length, a.data.size());
  std::copy_n(a.data.begin(), sent, answer);
  return 0;
}

std::unique_ptr<DeviceModel> MakeScriptedModel(const ModelOptions &options, std::string &error) {
  std::vector<ScriptedAnswer> answers;
  bool loop = false;
  if (auto it = options.find("answers"); it != options.end()) {
    std::string_view rest = it->second;
    for (;;) {
      const std::size_t plus = rest.find('+');
      ScriptedAnswer answer;
      if (!ParseHexBytes(rest.substr(0, plus), answer.data)) {
        error = "scripted: answers must be hexadecimal byte strings joined by '+'";
        return nullptr;
      }
      answers.push_back(std::move(answer));
      if (plus == std::string_view::npos) break;
      rest.remove_prefix(plus + 1);
    }
  }
  if (auto it = options.find("loop"); it != options.end()) {
    if (it->second != "0" && it->second != "1") {
      error = "scripted: loop must be 0 or 1";
      return nullptr;
    }
    loop = it->second == "1";
  }
  return std::make_unique<ScriptedModel>(std::move(answers), loop);
}

}  // namespace kvn::sim
