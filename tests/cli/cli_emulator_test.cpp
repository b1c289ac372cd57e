// kvnisp flashing emulated products: the program runs inside kvnisp-sim,
// which plugs in the product model behind real hidraw nodes.
#include "cli_test_support.h"

#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace kvnisp::testing {
namespace {

bool Contains(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

std::string ReadFile(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// A Tolv product of the emulator: user firmware with the product's ids.
std::string Product(const std::string &chip, const std::string &extra = "") {
  return "vid=0x1209,pid=0x0047,report=64,model=product,chip=" + chip + (extra.empty() ? "" : "," + extra);
}

// The same product waiting in its boot loader.
std::string ProductInBootLoader(const std::string &chip) {
  return "vid=0x1209,pid=0x7140,report=64,model=product,mode=boot,chip=" + chip;
}

struct SimRun {
  std::vector<std::string> devices;
  std::string stateDir;
  std::string logFile;
};

std::vector<std::string> SimCommand(const SimRun &run, const std::vector<std::string> &kvnispArgs) {
  std::vector<std::string> argv = {KVNISP_SIM_PROGRAM};
  for (const std::string &device : run.devices) {
    argv.push_back("--device");
    argv.push_back(device);
  }
  if (!run.stateDir.empty()) {
    argv.push_back("--state-dir");
    argv.push_back(run.stateDir);
  }
  if (!run.logFile.empty()) {
    argv.push_back("--log");
    argv.push_back(run.logFile);
  }
  argv.push_back("--");
  argv.push_back(KvnispPath());
  argv.insert(argv.end(), kvnispArgs.begin(), kvnispArgs.end());
  return argv;
}

ProcessResult RunInSim(const SimRun &run, const std::vector<std::string> &kvnispArgs) {
  return RunProcess(SimCommand(run, kvnispArgs));
}

// A small image with a pattern, and what the chip's flash holds after it
// was programmed (blank 0xFF elsewhere).
std::vector<uint8_t> Pattern(size_t bytes) {
  std::vector<uint8_t> data(bytes);
  for (size_t i = 0; i < bytes; ++i) data[i] = static_cast<uint8_t>((i * 31 + 7) ^ (i >> 8));
  return data;
}

std::string ExpectedFlash(const std::vector<uint8_t> &data, size_t flashBytes) {
  std::string flash(flashBytes, '\xFF');
  for (size_t i = 0; i < data.size() && i < flashBytes; ++i) flash[i] = static_cast<char>(data[i]);
  return flash;
}

std::string StateLine(const std::string &stateDir, const std::string &key, int device = 0) {
  std::istringstream lines(ReadFile(stateDir + "/device" + std::to_string(device) + ".0/state.txt"));
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind(key + " ", 0) == 0) return line.substr(key.size() + 1);
  }
  return {};
}

// Lines of the traffic log that are set-feature reports, by node.
int SetReportsTo(const std::string &log, const std::string &node) {
  int count = 0;
  for (const std::string &line : Lines(log)) {
    std::istringstream fields(line);
    std::string seconds, path, kind;
    fields >> seconds >> path >> kind;
    if (kind == "set" && path == node) ++count;
  }
  return count;
}

TEST(KvnispFlash, SmallTolvChipWithPlainProgressLines) {
  ScratchDir dir;
  std::vector<uint8_t> data = Pattern(0x300);
  std::string image = dir.Write("fw.hex", HexText(0, data));
  SimRun run{{Product("Tolv-05")}, dir.path() + "/state", ""};
  ProcessResult result = RunInSim(run, {"flash", "--chip", "Tolv-05", image});
  ASSERT_EQ(result.exitStatus, 0) << result.out << result.err;

  std::vector<std::string> lines = Lines(result.out);
  ASSERT_GE(lines.size(), 3u) << result.out;
  EXPECT_TRUE(Contains(lines.front(), "into Tolv-05 at 1209:0047 (user firmware) [0] ")) << lines.front();
  EXPECT_TRUE(std::regex_match(lines.back(), std::regex(R"(upgrade finished: code 0 \(no error\) in \d+\.\d s)")))
      << lines.back();
  // Between them only progress lines: erase first, then program, each at
  // rising multiples of ten, ending at 100.
  const std::regex progress(R"((erase|program) +(\d+)%  \d+:\d\d)");
  std::string phase = "erase";
  int last = 0;
  int eraseLines = 0, programLines = 0;
  for (size_t i = 1; i + 1 < lines.size(); ++i) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[i], match, progress)) << lines[i];
    int percent = std::stoi(match[2]);
    EXPECT_EQ(percent % 10, 0) << lines[i];
    if (match[1] != phase) {
      EXPECT_EQ(phase, "erase") << "program came back to erase: " << lines[i];
      phase = match[1];
      last = 0;
    }
    EXPECT_GT(percent, last) << lines[i];
    last = percent;
    (phase == "erase" ? eraseLines : programLines)++;
  }
  EXPECT_GE(eraseLines, 2) << result.out;   // the timed erase of Tolv-05 is seen climbing
  EXPECT_GE(programLines, 1) << result.out;
  EXPECT_EQ(phase, "program");
  EXPECT_EQ(last, 100);

  EXPECT_EQ(ReadFile(run.stateDir + "/device0.0/flash.bin"), ExpectedFlash(data, 0x4000));
  EXPECT_EQ(StateLine(run.stateDir, "mode"), "user");   // reset after programming
}

TEST(KvnispFlash, ProductWithTheSampleFirmwareAsJson) {
  ScratchDir dir;
  ProcessResult checksum = Kvnisp({"checksum", "-q", KVNISP_SAMPLE_FIRMWARE});
  ASSERT_EQ(checksum.exitStatus, 0) << checksum.err;
  std::string expected = checksum.out.substr(0, 4);

  SimRun run{{Product("Tolv-01")}, dir.path() + "/state", ""};
  ProcessResult result = RunInSim(run, {"flash", "--json", KVNISP_SAMPLE_FIRMWARE});
  ASSERT_EQ(result.exitStatus, 0) << result.out << result.err;
  JsonValue object = OneJsonObject(result);
  for (const char *key : {"chip", "ids", "vendorId", "productId", "checksum", "checksumHex", "errorCode",
                          "errorMeaning", "durationSeconds", "status", "exitStatus"}) {
    EXPECT_TRUE(object.Has(key)) << key;
  }
  EXPECT_EQ(object.Find("chip")->text, "Tolv-01");
  EXPECT_EQ(object.Find("ids")->text, "1209:0047");
  EXPECT_EQ(object.Find("vendorId")->number, 0x1209);
  EXPECT_EQ(object.Find("productId")->number, 0x0047);
  EXPECT_FALSE(object.Find("bootLoaderIds")->boolean);
  EXPECT_EQ(object.Find("checksumHex")->text, expected);
  EXPECT_EQ(object.Find("errorCode")->number, 0);
  EXPECT_EQ(object.Find("errorMeaning")->text, "no error");
  EXPECT_EQ(object.Find("status")->text, "success");
  // The job's worker pauses 500 ms after the device: a lower bound.
  EXPECT_GE(object.Find("durationSeconds")->number, 0.5);
  // Progress went to standard error, standard output held only the object.
  EXPECT_TRUE(Contains(result.err, "program 100%")) << result.err;
  // The emulated flash now carries the image: its checksum is the image's.
  EXPECT_EQ(StateLine(run.stateDir, "checksum"), "0x" + expected);
}

TEST(KvnispFlash, ProductLeftInItsBootLoaderIsFoundUnderTheBootIds) {
  ScratchDir dir;
  std::vector<uint8_t> data = Pattern(0x100);
  std::string image = dir.Write("fw.bin", std::string(data.begin(), data.end()));
  SimRun run{{ProductInBootLoader("Tolv-05")}, dir.path() + "/state", ""};
  ProcessResult result = RunInSim(run, {"flash", "--json", "--chip", "Tolv-05", image});
  ASSERT_EQ(result.exitStatus, 0) << result.out << result.err;
  JsonValue object = OneJsonObject(result);
  EXPECT_EQ(object.Find("ids")->text, "1209:7140");
  EXPECT_TRUE(object.Find("bootLoaderIds")->boolean);
  EXPECT_EQ(ReadFile(run.stateDir + "/device0.0/flash.bin"), ExpectedFlash(data, 0x4000));
}

TEST(KvnispFlash, SeveralProductsAreListedNotGuessedAndIndexChooses) {
  ScratchDir dir;
  std::string image = dir.Write("fw.hex", HexText(0, Pattern(0x80)));
  SimRun run{{Product("Tolv-05"), Product("Tolv-05")}, "", dir.path() + "/traffic.log"};
  ProcessResult refused = RunInSim(run, {"flash", "--chip", "Tolv-05", image});
  EXPECT_EQ(refused.exitStatus, 2) << refused.out << refused.err;
  EXPECT_TRUE(Contains(refused.err, "2 devices match")) << refused.err;
  EXPECT_TRUE(Contains(refused.err, "\n  [0] ")) << refused.err;
  EXPECT_TRUE(Contains(refused.err, "\n  [1] ")) << refused.err;
  std::string log = ReadFile(run.logFile);
  EXPECT_EQ(SetReportsTo(log, "/dev/hidraw0") + SetReportsTo(log, "/dev/hidraw1"), 0) << "nothing may be sent";

  ProcessResult listed = RunInSim(run, {"list", "--chip", "Tolv-05", "--quiet"});
  EXPECT_EQ(listed.exitStatus, 0) << listed.err;
  std::vector<std::string> rows = Lines(listed.out);
  ASSERT_EQ(rows.size(), 2u) << listed.out;
  EXPECT_EQ(rows[0].rfind("1209:0047 [0] ", 0), 0u) << rows[0];
  EXPECT_EQ(rows[1].rfind("1209:0047 [1] ", 0), 0u) << rows[1];

  ProcessResult second = RunInSim(run, {"flash", "--chip", "Tolv-05", "--index", "1", "--quiet", image});
  EXPECT_EQ(second.exitStatus, 0) << second.err;
  EXPECT_TRUE(second.out.empty()) << second.out;   // --quiet
  log = ReadFile(run.logFile);
  // Rows follow the node order; row 1 is the second node.
  EXPECT_EQ(SetReportsTo(log, "/dev/hidraw0"), 0);
  EXPECT_GT(SetReportsTo(log, "/dev/hidraw1"), 0x100 / 64);

  ProcessResult wide = RunInSim(run, {"flash", "--chip", "Tolv-05", "--mask", "0x04", image});
  EXPECT_EQ(wide.exitStatus, 2);
  EXPECT_TRUE(Contains(wide.err, "selects device 2, but only 2 match")) << wide.err;
}

TEST(KvnispFlash, FailedJobExitsWithFiveAndTellsTheCode) {
  ScratchDir dir;
  std::string image = dir.Write("fw.hex", HexText(0, Pattern(0x40)));
  SimRun run{{Product("Tolv-05", "fault=badsum:verify")}, "", ""};
  ProcessResult result = RunInSim(run, {"flash", "--json", "--chip", "Tolv-05", image});
  EXPECT_EQ(result.exitStatus, 5) << result.out << result.err;
  JsonValue object = OneJsonObject(result);
  EXPECT_EQ(object.Find("status")->text, "job-failed");
  EXPECT_EQ(object.Find("errorCode")->number, 26);
  EXPECT_EQ(object.Find("errorMeaning")->text, "the programmed flash's checksum differs from the image's");
  EXPECT_TRUE(Contains(result.err, "upgrade failed: code 26: the programmed flash's checksum differs")) << result.err;
}

TEST(KvnispFlash, NoResetLeavesTheProductInItsBootLoader) {
  ScratchDir dir;
  std::string image = dir.Write("fw.hex", HexText(0, Pattern(0x40)));
  SimRun run{{Product("Tolv-05")}, dir.path() + "/state", ""};
  ProcessResult result = RunInSim(run, {"flash", "--no-reset", "-q", "--chip", "Tolv-05", image});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(StateLine(run.stateDir, "mode"), "boot");
}

TEST(KvnispFlash, ReportsThatDoNotFitTheChipAreExplained) {
  ScratchDir dir;
  std::string image = dir.Write("fw.hex", HexText(0, Pattern(0x40)));
  SimRun run{{"vid=0x1209,pid=0x0047,report=8,model=echo"}, "", ""};
  ProcessResult result = RunInSim(run, {"flash", "--chip", "Tolv-05", image});
  EXPECT_EQ(result.exitStatus, 4) << result.err;
  EXPECT_TRUE(Contains(result.err, "carries ids 1209:0047 but has no feature report of that length")) << result.err;
}

TEST(KvnispFlash, NodeThatCannotBeOpenedIsAPermissionProblem) {
  ScratchDir dir;
  std::string image = dir.Write("fw.hex", HexText(0, Pattern(0x40)));
  SimRun run{{Product("Tolv-05", "refuse-rw=1")}, "", dir.path() + "/traffic.log"};
  ProcessResult result = RunInSim(run, {"flash", "--chip", "Tolv-05", image});
  EXPECT_EQ(result.exitStatus, 6) << result.err;
  EXPECT_TRUE(Contains(result.err, "is present (/dev/hidraw0) but cannot be opened")) << result.err;
  EXPECT_TRUE(Contains(result.err, "permission problem")) << result.err;
  EXPECT_TRUE(Contains(result.err, "60-kvnisp.rules")) << result.err;
  EXPECT_EQ(SetReportsTo(ReadFile(run.logFile), "/dev/hidraw0"), 0);

  // While waiting, the refusal is retried for two seconds before it counts.
  auto start = std::chrono::steady_clock::now();
  ProcessResult waited = RunInSim(run, {"flash", "--wait", "0.1", "--chip", "Tolv-05", image});
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(waited.exitStatus, 6) << waited.err;
  EXPECT_GE(seconds, 2.0);

  ProcessResult listed = RunInSim(run, {"list", "--chip", "Tolv-05"});
  EXPECT_EQ(listed.exitStatus, 6) << listed.out << listed.err;
  EXPECT_TRUE(Contains(listed.err, "60-kvnisp.rules")) << listed.err;
}

// Runs the command on a pseudo-terminal and returns what it wrote there.
std::string RunOnTerminal(const std::vector<std::string> &argv, int &exitStatus) {
  int master = -1;
  winsize size{};
  size.ws_col = 100;
  size.ws_row = 30;
  pid_t child = forkpty(&master, nullptr, nullptr, &size);
  if (child == 0) {
    std::vector<char *> args;
    for (const std::string &arg : argv) args.push_back(const_cast<char *>(arg.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  std::string text;
  if (child < 0) return text;
  char buffer[4096];
  for (;;) {
    ssize_t n = read(master, buffer, sizeof buffer);
    if (n > 0) {
      text.append(buffer, static_cast<size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;   // EIO once the child side is closed
    }
  }
  close(master);
  int status = 0;
  waitpid(child, &status, 0);
  exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return text;
}

TEST(KvnispFlash, TerminalShowsOneRedrawnBarLine) {
  ScratchDir dir;
  std::string image = dir.Write("fw.hex", HexText(0, Pattern(0x200)));
  SimRun run{{Product("Tolv-05")}, "", ""};
  int status = -1;
  std::string screen = RunOnTerminal(SimCommand(run, {"flash", "--chip", "Tolv-05", image}), status);
  EXPECT_EQ(status, 0) << screen;
  EXPECT_TRUE(Contains(screen, "\rerase   [")) << screen;
  EXPECT_TRUE(Contains(screen, "\rprogram [##############################] 100%  0:0")) << screen;
  EXPECT_TRUE(Contains(screen, "upgrade finished: code 0")) << screen;
  // The bar is one line: no line break between its redraws.
  size_t firstBar = screen.find("\rerase");
  size_t finalBar = screen.find("] 100%  0:0", screen.find("\rprogram"));
  ASSERT_NE(firstBar, std::string::npos);
  ASSERT_NE(finalBar, std::string::npos);
  EXPECT_EQ(screen.substr(firstBar, finalBar - firstBar).find('\n'), std::string::npos);
}

}  // namespace
}  // namespace kvnisp::testing
