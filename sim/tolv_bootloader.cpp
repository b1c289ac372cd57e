#include "tolv_bootloader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kvn::sim {
namespace {

constexpr std::size_t kFrameBytes = 64;
constexpr std::size_t kEntryBytes = 8;
constexpr uint8_t kAck = 0xFA;
constexpr uint8_t kBusy = 0xF0;

// Stand-in for the firmware that was on the chip before: not blank, and
// not anything a host would send, so a skipped erase cannot go unnoticed.
std::vector<uint8_t> OldFirmware(uint32_t bytes) {
  std::vector<uint8_t> flash(bytes);
  uint32_t state = 0x9E3779B9u;
  for (uint8_t &b : flash) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    b = static_cast<uint8_t>(state);
  }
  return flash;
}

uint32_t Le16(const uint8_t *bytes) { return bytes[0] | (static_cast<uint32_t>(bytes[1]) << 8); }

}  // namespace

TolvBootloader::TolvBootloader(TolvConfig config) : config_(std::move(config)) {
  if (config_.chip == nullptr) config_.chip = &kTolvChips[0];
  version_ = config_.version.value_or(config_.chip->version);
  eraseMs_ = config_.eraseMs.value_or(config_.chip->eraseMs);
  inBootLoader_ = config_.startInBootLoader;
  codeOption_ = config_.codeOption;
  const uint32_t bytes = config_.chip->flashBytes;
  if (config_.initialFlash.empty()) {
    flash_ = OldFirmware(bytes);
  } else {
    flash_.assign(bytes, 0xFF);
    std::copy_n(config_.initialFlash.begin(),
                std::min<std::size_t>(config_.initialFlash.size(), bytes), flash_.begin());
  }
}

uint16_t TolvBootloader::WordSum(const std::vector<uint8_t> &bytes) {
  uint32_t sum = 0;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) sum += Le16(&bytes[i]);
  return static_cast<uint16_t>(sum);
}

bool TolvBootloader::IsEntryFrame(const uint8_t *data, std::size_t length) const {
  return length >= kEntryBytes &&
         std::memcmp(data, config_.entryFrame.data(), kEntryBytes) == 0;
}

TolvStep TolvBootloader::ClassifySet(const uint8_t *data, std::size_t length) const {
  if (inBootLoader_ && dataExpected_ > 0) return TolvStep::Data;
  if (IsEntryFrame(data, length)) return TolvStep::Entry;
  if (!inBootLoader_ || length < 4 || data[1] != 0xAA || data[2] != 0x55 || data[3] != 0)
    return TolvStep::Other;
  switch (data[0]) {
    case 0x01: return TolvStep::Version;
    case 0x02: return TolvStep::OptionErase;
    case 0x03: return TolvStep::Option;
    case 0x04: return TolvStep::Erase;
    case 0x05: return TolvStep::Program;
    case 0x07: return TolvStep::Return;
    default: return TolvStep::Other;
  }
}

TolvStep TolvBootloader::ClassifyGet() const {
  if (!inBootLoader_) return TolvStep::Other;
  if (pending_ == Answer::Version) return TolvStep::Version;
  if (pending_ == Answer::Program) return TolvStep::Program;
  return programmedSinceErase_ ? TolvStep::Verify : TolvStep::Blank;
}

void TolvBootloader::Record(TolvStep step, bool read, bool failed) {
  if (step == TolvStep::Data && !journal_.empty() && journal_.back().step == TolvStep::Data &&
      journal_.back().failed == failed) {
    ++journal_.back().count;
    return;
  }
  journal_.push_back({step, read, failed, 1});
}

void TolvBootloader::SettleErase(Clock::time_point now) {
  if (!erase_ || now < erase_->doneAt) return;
  std::fill(flash_.begin() + erase_->first, flash_.begin() + erase_->end, uint8_t{0xFF});
  erase_.reset();
}

int TolvBootloader::OnSetFeature(const uint8_t *data, std::size_t length, Clock::time_point now) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (gone_) return ENODEV;
  SettleErase(now);

  // Work on a bounded copy: a report longer than a frame is cut, a shorter one
  // reads as zero-padded.
  std::array<uint8_t, kFrameBytes> frame{};
  const std::size_t taken = std::min(length, kFrameBytes);
  if (taken > 0) std::memcpy(frame.data(), data, taken);

  const TolvStep step = ClassifySet(frame.data(), taken);
  if (step == TolvStep::Data) {
    if (config_.faults.vanishData >= 0 &&
        dataTaken_ >= static_cast<uint64_t>(config_.faults.vanishData)) {
      gone_ = true;
      Record(step, false, true);
      return ENODEV;
    }
    if (config_.faults.acceptData >= 0 &&
        dataTaken_ >= static_cast<uint64_t>(config_.faults.acceptData)) {
      Record(step, false, true);
      return EPIPE;
    }
  }
  if (config_.faults.Has(config_.faults.failWrite, step)) {
    Record(step, false, true);
    return EPIPE;
  }
  Record(step, false, false);

  if (!inBootLoader_) {
    if (step == TolvStep::Entry) {
      inBootLoader_ = true;
      pending_ = Answer::None;
      dataExpected_ = 0;
    }
    return 0;
  }
  if (step == TolvStep::Data) {
    TakeDataReport(frame.data(), taken);
  } else if (step != TolvStep::Entry && step != TolvStep::Other) {
    TakeCommand(step, frame.data(), now);
  }
  return 0;
}

void TolvBootloader::TakeCommand(TolvStep step, const uint8_t *frame, Clock::time_point now) {
  std::memcpy(lastHeader_.data(), frame, lastHeader_.size());
  pending_ = Answer::None;
  switch (step) {
    case TolvStep::Version:
      pending_ = Answer::Version;
      break;
    case TolvStep::OptionErase:
      codeOption_.fill(0xFF);
      break;
    case TolvStep::Option:
      std::memcpy(codeOption_.data(), frame + 4, codeOption_.size());
      break;
    case TolvStep::Erase: {
      programmedSinceErase_ = false;
      if (config_.faults.noErase) break;
      const uint64_t sector = config_.chip->sectorBytes;
      const uint64_t size = flash_.size();
      const uint64_t first = std::min<uint64_t>(Le16(frame + 4) * sector, size);
      const uint64_t end = std::min<uint64_t>((Le16(frame + 4) + Le16(frame + 8)) * sector, size);
      erase_ = PendingErase{static_cast<uint32_t>(first), static_cast<uint32_t>(end),
                            now + std::chrono::milliseconds(eraseMs_)};
      SettleErase(now);
      break;
    }
    case TolvStep::Program:
      TakeEnableProgram(frame, now);
      break;
    case TolvStep::Return:
      inBootLoader_ = false;
      dataExpected_ = 0;
      break;
    default:
      break;
  }
}

void TolvBootloader::TakeEnableProgram(const uint8_t *frame, Clock::time_point now) {
  (void)now;
  pending_ = Answer::Program;
  busyAnswer_ = erase_.has_value();
  const uint64_t frames = Le16(frame + 8);
  programAccepted_ = !busyAnswer_ && frames > 0 && frames * kFrameBytes <= flash_.size();
  if (!programAccepted_) return;
  if (config_.chip->erasesOnProgram) std::fill(flash_.begin(), flash_.end(), uint8_t{0xFF});
  dataExpected_ = static_cast<uint32_t>(frames);
  dataIndex_ = 0;
  programmedSinceErase_ = true;
}

void TolvBootloader::TakeDataReport(const uint8_t *data, std::size_t length) {
  const uint64_t offset = static_cast<uint64_t>(dataIndex_) * kFrameBytes;
  for (std::size_t i = 0; i < length; ++i) {
    const uint64_t address = offset + i;
    if (address >= flash_.size()) break;
    if (static_cast<int64_t>(address) == config_.faults.stuckAddress) continue;
    flash_[address] &= data[i];  // programming only clears bits
  }
  ++dataIndex_;
  --dataExpected_;
  ++dataTaken_;
}

int TolvBootloader::OnGetFeature(uint8_t *answer, std::size_t length, Clock::time_point now) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (gone_) return ENODEV;
  SettleErase(now);
  const TolvStep step = ClassifyGet();
  const bool failed = config_.faults.Has(config_.faults.failRead, step);
  Record(step, true, failed);
  if (!failed && length > 0) FillAnswer(answer, length, step);
  if (step == TolvStep::Version || step == TolvStep::Program) pending_ = Answer::None;
  return failed ? EPIPE : 0;
}

void TolvBootloader::FillAnswer(uint8_t *answer, std::size_t length, TolvStep step) {
  std::array<uint8_t, kFrameBytes> frame{};
  const TolvFaults &faults = config_.faults;
  switch (step) {
    case TolvStep::Version:
      frame[0] = 0x01;
      frame[1] = 0xAA;
      frame[2] = 0x55;
      std::fill_n(frame.begin() + 4, 4, kAck);
      std::copy(version_.begin(), version_.end(), frame.begin() + 8);
      std::copy(codeOption_.begin(), codeOption_.end(), frame.begin() + 12);
      break;
    case TolvStep::Program:
      frame[0] = 0x05;
      frame[1] = 0xAA;
      frame[2] = 0x55;
      std::fill_n(frame.begin() + 4, 4, busyAnswer_ ? kBusy : programAccepted_ ? kAck : 0);
      break;
    case TolvStep::Blank:
    case TolvStep::Verify: {
      std::copy(lastHeader_.begin(), lastHeader_.end(), frame.begin());
      std::fill_n(frame.begin() + 4, 4, kAck);
      uint16_t sum = WordSum(flash_);
      if (faults.Has(faults.badSum, step)) ++sum;
      frame[8] = static_cast<uint8_t>(sum);
      frame[9] = static_cast<uint8_t>(sum >> 8);
      break;
    }
    default:
      break;  // the user firmware's own report: nothing the host asks for
  }
  if (faults.Has(faults.garble, step)) frame[3] = 1;
  if (faults.Has(faults.nak, step)) frame[7] = 0xFB;

  std::memset(answer, 0, length);
  std::memcpy(answer, frame.data(), std::min(length, kFrameBytes));
}

bool TolvBootloader::InBootLoader() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return inBootLoader_;
}

bool TolvBootloader::Gone() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return gone_;
}

std::vector<uint8_t> TolvBootloader::Flash() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return flash_;
}

std::array<uint8_t, 4> TolvBootloader::CodeOption() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return codeOption_;
}

uint16_t TolvBootloader::FlashChecksum() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return WordSum(flash_);
}

std::vector<TolvJournalEntry> TolvBootloader::Journal() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return journal_;
}

}  // namespace kvn::sim
