// The firmware side of one emulated HID interface.
//
// The testbed (sim/testbed.h) puts every model behind a real /dev/hidrawN
// node and calls it for each feature report the host moves through that
// node:
//
//   host: ioctl(fd, HIDIOCSFEATURE(n), buf)  ->  model.OnSetFeature(buf[0], buf + 1, n - 1)
//   host: ioctl(fd, HIDIOCGFEATURE(n), buf)  ->  model.OnGetFeature(buf[0], buf + 1, n - 1, sent)
//
// reportId is byte 0 of the host's buffer (0 for interfaces without report
// ids); the data never include it. A result of 0 completes the ioctl as the
// kernel would (a set returns n, a get returns 1 + sent); a positive errno
// value fails it with that errno (EPIPE is what a stalling device gives,
// ETIMEDOUT a device that never answers, ENODEV one that is gone).
//
// Threads: the testbed calls a model only from its own worker thread, one
// call at a time and under the node's lock. A model therefore needs no lock
// of its own unless a test thread reads it at the same time; a test that
// does should go through Node::WithModel, which takes the same lock, or the
// model must make its snapshots thread-safe itself.
//
// Models are made by name from the options of a --device of kvnisp-sim
// through the table of sim/model_table.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace kvn::sim {

// The key=value options of one --device, exactly as written (keys are
// compared case-sensitively; values are not interpreted by the framework
// except for its own keys, see sim/device_options.h).
using ModelOptions = std::map<std::string, std::string, std::less<>>;

// What the testbed lets a model do to the node it sits behind.
class ModelHost {
 public:
  virtual ~ModelHost() = default;

  // The device node the model answers for, e.g. "/dev/hidraw0".
  virtual const std::string &DevicePath() const = 0;

  // Unplugs the whole emulated product (every node of it) once the current
  // report has been answered: the sysfs devices go, opens of the node fail,
  // and ioctls on descriptors still open fail with ENODEV.
  virtual void Unplug() = 0;
};

class DeviceModel {
 public:
  virtual ~DeviceModel() = default;

  // The host sent a feature report: length data bytes after report id
  // reportId. 0 accepts it; a positive errno value fails the ioctl.
  virtual int OnSetFeature(uint8_t reportId, const uint8_t *data, std::size_t length) = 0;

  // The host asks for a feature report of reportId. answer has room for
  // length data bytes and is zero on entry; sent is length on entry. Write
  // the answer, set sent to the number of data bytes the device sends
  // (fewer than length makes a short answer; more is cut to length), and
  // return 0, or return a positive errno value to fail the ioctl.
  virtual int OnGetFeature(uint8_t reportId, uint8_t *answer, std::size_t length, std::size_t &sent) = 0;

  // Called once when the model is put behind its node, before any report.
  virtual void Attach(ModelHost &host) { (void)host; }

  // Persistent state for kvnisp-sim --state-dir: dir is this model's own
  // folder (it exists). Load runs before the command starts, Save after it
  // ended. False, with a reason in error, when the state could not be
  // read or written; a model without state keeps the defaults.
  virtual bool LoadState(const std::filesystem::path &dir, std::string &error) {
    (void)dir;
    (void)error;
    return true;
  }
  virtual bool SaveState(const std::filesystem::path &dir, std::string &error) {
    (void)dir;
    (void)error;
    return true;
  }
};

// Makes a model from the options of its --device. On options it cannot use
// it returns nullptr and puts a one-line reason into error.
using ModelFactory = std::unique_ptr<DeviceModel> (*)(const ModelOptions &options, std::string &error);

}  // namespace kvn::sim
