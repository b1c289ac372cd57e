// A scripted device for the command engine: records every report written
// and read with its time, answers reads from a queue, and fails chosen
// transfers.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <vector>

#include "protocol/report_transport.h"

namespace kvn::test {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

struct Transfer {
  enum class Kind { Write, Read } kind;
  Bytes bytes;  // written bytes, or the bytes handed to the reader
  int32_t length = 0;
  bool ok = true;
  Clock::time_point time;
};

class ScriptedTransport final : public protocol::ReportTransport {
 public:
  // The next read gets these bytes (zero-padded or cut to its length).
  void Answer(Bytes bytes) { answers_.push_back(Scripted{std::move(bytes), true}); }
  // The next read fails.
  void FailRead() { answers_.push_back(Scripted{{}, false}); }
  // The write with this number (from 1) fails.
  void FailWrite(int number) { failWriteNumber_ = number; }

  bool WriteReport(const uint8_t *data, int32_t length) override {
    ++writes_;
    const bool ok = writes_ != failWriteNumber_;
    log_.push_back(Transfer{Transfer::Kind::Write, Bytes(data, data + length), length, ok, Clock::now()});
    return ok;
  }

  bool ReadReport(uint8_t *dest, int32_t length) override {
    Transfer transfer{Transfer::Kind::Read, {}, length, false, Clock::now()};
    if (!answers_.empty()) {
      Scripted next = std::move(answers_.front());
      answers_.pop_front();
      if (next.ok) {
        next.bytes.resize(static_cast<std::size_t>(length), 0);
        std::copy(next.bytes.begin(), next.bytes.end(), dest);
        transfer.bytes = next.bytes;
        transfer.ok = true;
      }
    }
    log_.push_back(std::move(transfer));
    return log_.back().ok;
  }

  const std::vector<Transfer> &Log() const { return log_; }
  std::vector<Transfer> Writes() const { return Only(Transfer::Kind::Write); }
  std::vector<Transfer> Reads() const { return Only(Transfer::Kind::Read); }
  std::size_t PendingAnswers() const { return answers_.size(); }
  void ClearLog() { log_.clear(); }

 private:
  struct Scripted {
    Bytes bytes;
    bool ok;
  };

  std::vector<Transfer> Only(Transfer::Kind kind) const {
    std::vector<Transfer> out;
    for (const Transfer &t : log_) {
      if (t.kind == kind) out.push_back(t);
    }
    return out;
  }

  std::deque<Scripted> answers_;
  std::vector<Transfer> log_;
  int writes_ = 0;
  int failWriteNumber_ = 0;
};

// Milliseconds between two transfers.
inline double MsBetween(const Transfer &earlier, const Transfer &later) {
  return std::chrono::duration<double, std::milli>(later.time - earlier.time).count();
}

// Answer helpers.
inline Bytes Header(uint8_t code, uint8_t part) { return Bytes{code, 0xAA, 0x55, part}; }
inline Bytes Ack(uint8_t code, uint8_t part = 0) {
  Bytes b = Header(code, part);
  b.insert(b.end(), {0xFA, 0xFA, 0xFA, 0xFA});
  return b;
}
inline Bytes WithTail(Bytes head, std::initializer_list<uint8_t> tail) {
  head.insert(head.end(), tail);
  return head;
}

}  // namespace kvn::test
