// kvnisp-sim: runs a command with emulated products plugged in.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "device_options.h"
#include "hex_text.h"
#include "model_table.h"
#include "testbed.h"

extern char **environ;

namespace {

using kvn::sim::DeviceOptions;

constexpr const char *kReexecGuard = "KVNISP_SIM_REEXEC";
constexpr const char *kPreload = "libumockdev-preload.so.0";
constexpr int kUsageStatus = 2;
constexpr int kSetupStatus = 125;  // our own failure, distinct from the command's statuses
constexpr int kNotFoundStatus = 127;

struct Arguments {
  std::vector<DeviceOptions> devices;
  std::string logPath;
  std::string stateDir;
  bool verbose = false;
  bool help = false;
  std::vector<char *> command;
};

void PrintHelp(std::FILE *out) {
  std::fprintf(out,
               "Usage: kvnisp-sim --device OPTIONS [--device OPTIONS ...] [--log FILE]\n"
               "                  [--state-dir DIR] [--verbose] -- COMMAND [ARGS...]\n"
               "\n"
               "Runs COMMAND with emulated USB HID products plugged in: real /dev/hidrawN\n"
               "nodes of a umockdev testbed, answered by device models. COMMAND and its\n"
               "children see only the emulated devices. The exit status is COMMAND's\n"
               "(128 + N when it was killed by signal N); 125 means kvnisp-sim itself\n"
               "failed, 127 that COMMAND could not be started.\n"
               "\n"
               "  --device OPTIONS  one product; OPTIONS are KEY=VALUE pairs joined by ',':\n"
               "      vid=ID, pid=ID    USB ids (decimal or 0x...), required\n"
               "      report=LIST       its interfaces joined by '+': 64 or 8 (vendor feature\n"
               "                        report of that many bytes), id (64 bytes with report\n"
               "                        id 1), keyboard (no feature report); default 64\n"
               "      model=NAME        the model behind each interface with feature reports;\n"
               "                        default echo\n"
               "      name=TEXT         product name (HID_NAME); bcd=N USB release number\n"
               "      fail-set=N[:ERR]  the Nth set-feature fails with errno ERR (EPIPE,\n"
               "                        EIO, ETIMEDOUT, ENODEV, EINTR, ... or a number;\n"
               "                        default EPIPE); fail-get=N[:ERR] the same for gets\n"
               "      unplug-after=N    the product vanishes after N feature reports\n"
               "      refuse-rw=1       opens for writing fail, read-only opens work\n"
               "      and the options of the model (below)\n"
               "  --log FILE        writes every feature report: seconds since start, node,\n"
               "                    set|get, ioctl result (or -errno), bytes in hexadecimal\n"
               "  --state-dir DIR   models load their state (e.g. emulated flash) from\n"
               "                    DIR/device<D>.<I> before COMMAND and save it after\n"
               "  --verbose         lists the emulated nodes on standard error\n"
               "  --help            this text\n"
               "\n"
               "Models:\n");
  for (const kvn::sim::ModelEntry &m : kvn::sim::ModelTable()) {
    std::fprintf(out, "  %-10s %.*s\n", std::string(m.name).c_str(), static_cast<int>(m.summary.size()),
                 m.summary.data());
    if (!m.keys.empty()) {
      std::fprintf(out, "  %-10s options: %.*s\n", "", static_cast<int>(m.keys.size()), m.keys.data());
    }
  }
  std::fprintf(out,
               "\n"
               "Example:\n"
               "  kvnisp-sim --device vid=0x1209,pid=0x0047,report=keyboard+64 -- kvnisp list\n");
}

bool ParseArguments(int argc, char **argv, Arguments &args, std::string &error) {
  int i = 1;
  const auto valueOf = [&](std::string_view option, std::string &out) {
    const std::string_view arg = argv[i];
    if (arg.size() > option.size() && arg.substr(0, option.size()) == option && arg[option.size()] == '=') {
      out = std::string(arg.substr(option.size() + 1));
      return true;
    }
    if (arg == option) {
      if (i + 1 >= argc) {
        error = std::string(option) + " needs a value";
        return false;
      }
      out = argv[++i];
      return true;
    }
    return false;
  };
  for (; i < argc; ++i) {
    const std::string_view arg = argv[i];
    std::string value;
    if (arg == "--") {
      ++i;
      break;
    }
    if (arg == "--help" || arg == "-h") {
      args.help = true;
    } else if (arg == "--verbose" || arg == "-v") {
      args.verbose = true;
    } else if (valueOf("--device", value)) {
      DeviceOptions device;
      if (!kvn::sim::ParseDeviceOptions(value, device, error)) {
        error = "--device " + value + ": " + error;
        return false;
      }
      args.devices.push_back(std::move(device));
    } else if (valueOf("--log", value)) {
      args.logPath = value;
    } else if (valueOf("--state-dir", value)) {
      args.stateDir = value;
    } else if (!error.empty()) {
      return false;
    } else {
      error = "unknown argument '" + std::string(arg) + "'";
      return false;
    }
    if (!error.empty()) return false;
  }
  if (args.help) return true;
  for (; i < argc; ++i) args.command.push_back(argv[i]);
  if (args.command.empty()) {
    error = "no COMMAND given (put it after --)";
    return false;
  }
  if (args.devices.empty()) {
    error = "no --device given";
    return false;
  }
  args.command.push_back(nullptr);
  return true;
}

// Starts this program again with the umockdev preload in place; returns
// only when that fails.
void ReexecUnderPreload(char **argv) {
  if (std::getenv(kReexecGuard) != nullptr) {
    std::fprintf(stderr, "kvnisp-sim: the umockdev preload (%s) does not load; is umockdev installed?\n",
                 kPreload);
    return;
  }
  const char *old = std::getenv("LD_PRELOAD");
  std::string preload = kPreload;
  if (old != nullptr && *old != '\0') preload += std::string(":") + old;
  setenv("LD_PRELOAD", preload.c_str(), 1);
  setenv(kReexecGuard, "1", 1);
#if defined(__SANITIZE_ADDRESS__)
  // The sanitizer runtime would refuse to start behind another preload.
  const char *asan = std::getenv("ASAN_OPTIONS");
  std::string options = "verify_asan_link_order=0";
  if (asan != nullptr && *asan != '\0') options = std::string(asan) + ":" + options;
  setenv("ASAN_OPTIONS", options.c_str(), 1);
#endif
  execv("/proc/self/exe", argv);
  std::fprintf(stderr, "kvnisp-sim: cannot restart under the umockdev preload: %s\n", std::strerror(errno));
}

// The traffic log, written from the testbed's worker thread.
class TrafficLog {
 public:
  bool Open(const std::string &path) {
    file_ = std::fopen(path.c_str(), "w");
    return file_ != nullptr;
  }
  ~TrafficLog() {
    if (file_ != nullptr) std::fclose(file_);
  }
  void Write(const kvn::sim::Node &node, const kvn::sim::ReportRecord &record) {
    const double seconds = std::chrono::duration<double>(record.time - start_).count();
    const std::string bytes = kvn::sim::HexText(record.bytes.data(), record.bytes.size());
    std::lock_guard lock(mutex_);
    std::fprintf(file_, "%.6f %s %s %ld %s\n", seconds, node.DevicePath().c_str(),
                 record.kind == kvn::sim::ReportRecord::Kind::SetFeature ? "set" : "get", record.result,
                 bytes.c_str());
    std::fflush(file_);
  }

 private:
  std::FILE *file_ = nullptr;
  std::mutex mutex_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

std::filesystem::path StateFolder(const std::string &root, std::size_t device, std::size_t interface) {
  return std::filesystem::path(root) / ("device" + std::to_string(device) + "." + std::to_string(interface));
}

// Plugs in every product; the models load their state when asked to.
bool PlugProducts(kvn::sim::Testbed &bed, const Arguments &args) {
  for (std::size_t d = 0; d < args.devices.size(); ++d) {
    const DeviceOptions &device = args.devices[d];
    kvn::sim::ProductSpec def;
    def.vendorId = device.vendorId;
    def.productId = device.productId;
    def.bcdDevice = device.bcdDevice;
    def.name = device.name;
    std::string error;
    for (std::size_t i = 0; i < device.interfaces.size(); ++i) {
      const kvn::sim::DescriptorKind kind = device.interfaces[i];
      std::unique_ptr<kvn::sim::DeviceModel> model;
      if (kvn::sim::HasFeatureReports(kind)) {
        model = device.model->make(device.options, error);
        if (!model) {
          std::fprintf(stderr, "kvnisp-sim: device %zu: %s\n", d, error.c_str());
          return false;
        }
        if (!args.stateDir.empty()) {
          const std::filesystem::path folder = StateFolder(args.stateDir, d, i);
          std::error_code ec;
          std::filesystem::create_directories(folder, ec);
          if (ec || !model->LoadState(folder, error)) {
            std::fprintf(stderr, "kvnisp-sim: device %zu: cannot load state from %s: %s\n", d,
                         folder.c_str(), ec ? ec.message().c_str() : error.c_str());
            return false;
          }
        }
      }
      def.interfaces.push_back(kvn::sim::InterfaceSpec::Of(kind, std::move(model)));
    }
    kvn::sim::Product *product = bed.AddProduct(std::move(def), error);
    if (product == nullptr) {
      std::fprintf(stderr, "kvnisp-sim: device %zu: %s\n", d, error.c_str());
      return false;
    }
    for (std::size_t i = 0; i < product->InterfaceCount(); ++i) {
      kvn::sim::Node &node = product->Interface(i);
      if (kvn::sim::HasFeatureReports(device.interfaces[i])) node.SetFaults(device.faults);
      if (args.verbose) {
        std::fprintf(stderr, "kvnisp-sim: %s %s vid 0x%04x pid 0x%04x interface %zu\n", node.DevicePath().c_str(),
                     node.HidName().c_str(), node.VendorId(), node.ProductId(), i);
      }
    }
  }
  return true;
}

// False when some model could not save; every one is tried.
bool SaveStates(kvn::sim::Testbed &bed, const Arguments &args) {
  bool ok = true;
  for (std::size_t d = 0; d < bed.ProductCount(); ++d) {
    kvn::sim::Product &product = bed.ProductAt(d);
    for (std::size_t i = 0; i < product.InterfaceCount(); ++i) {
      const std::filesystem::path folder = StateFolder(args.stateDir, d, i);
      product.Interface(i).WithModel([&](kvn::sim::DeviceModel *model) {
        std::string error;
        if (model != nullptr && !model->SaveState(folder, error)) {
          std::fprintf(stderr, "kvnisp-sim: device %zu: cannot save state to %s: %s\n", d, folder.c_str(),
                       error.c_str());
          ok = false;
        }
      });
    }
  }
  return ok;
}

volatile sig_atomic_t gChild = 0;

void ForwardSignal(int signal) {
  if (gChild > 0) kill(static_cast<pid_t>(gChild), signal);
}

// Runs the command and returns its exit status in the shell's manner.
int RunCommand(const Arguments &args) {
  struct sigaction forward {};
  forward.sa_handler = ForwardSignal;
  sigemptyset(&forward.sa_mask);
  struct sigaction oldInt {}, oldTerm {}, oldHup {};
  sigaction(SIGINT, &forward, &oldInt);
  sigaction(SIGTERM, &forward, &oldTerm);
  sigaction(SIGHUP, &forward, &oldHup);

  pid_t child = 0;
  const int spawnError = posix_spawnp(&child, args.command[0], nullptr, nullptr, args.command.data(), environ);
  if (spawnError != 0) {
    std::fprintf(stderr, "kvnisp-sim: cannot run %s: %s\n", args.command[0], std::strerror(spawnError));
    return kNotFoundStatus;
  }
  gChild = child;
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) {
      std::fprintf(stderr, "kvnisp-sim: lost the command: %s\n", std::strerror(errno));
      return kSetupStatus;
    }
  }
  gChild = 0;
  sigaction(SIGINT, &oldInt, nullptr);
  sigaction(SIGTERM, &oldTerm, nullptr);
  sigaction(SIGHUP, &oldHup, nullptr);
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return kSetupStatus;
}

}  // namespace

int main(int argc, char **argv) {
  Arguments args;
  std::string error;
  if (!ParseArguments(argc, argv, args, error)) {
    std::fprintf(stderr, "kvnisp-sim: %s\nTry 'kvnisp-sim --help'.\n", error.c_str());
    return kUsageStatus;
  }
  if (args.help) {
    PrintHelp(stdout);
    return 0;
  }
  if (!kvn::sim::Testbed::PreloadActive()) {
    ReexecUnderPreload(argv);
    return kSetupStatus;
  }
  unsetenv(kReexecGuard);

  TrafficLog log;
  if (!args.logPath.empty() && !log.Open(args.logPath)) {
    std::fprintf(stderr, "kvnisp-sim: cannot write %s: %s\n", args.logPath.c_str(), std::strerror(errno));
    return kSetupStatus;
  }
  int status = kSetupStatus;
  {
    kvn::sim::Testbed bed;
    if (!bed.Ok()) {
      std::fprintf(stderr, "kvnisp-sim: %s\n", bed.Error().c_str());
      return kSetupStatus;
    }
    if (!args.logPath.empty()) {
      bed.SetTrafficObserver([&log](const kvn::sim::Node &node, const kvn::sim::ReportRecord &record) {
        log.Write(node, record);
      });
    }
    if (!PlugProducts(bed, args)) return kSetupStatus;
    status = RunCommand(args);
    if (!args.stateDir.empty() && !SaveStates(bed, args) && status == 0) status = kSetupStatus;
    bed.SetTrafficObserver(nullptr);
  }
  return status;
}
