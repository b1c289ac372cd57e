// kvnisp-sim as a user runs it: from a shell without the preload, with a
// host program that meets the emulated products through the exports.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct ShellRun {
  int status = -1;
  std::string out;
};

// Runs a shell command line with the preload out of the environment, so
// that kvnisp-sim has to set it up itself.
ShellRun Shell(const std::string &command) {
  const std::string line = "env -u LD_PRELOAD " + command;
  ShellRun run;
  std::FILE *pipe = ::popen(line.c_str(), "r");
  if (pipe == nullptr) return run;
  std::array<char, 512> buffer{};
  while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) run.out += buffer.data();
  const int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

const std::string kSim = KVNISP_SIM_PATH;
const std::string kProbe = HOST_PROBE_PATH;

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/kvnisp-sim-test.XXXXXX";
    path_ = ::mkdtemp(pattern);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  const std::string &path() const { return path_; }

 private:
  std::string path_;
};

std::string ReadFile(const std::string &path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(KvnispSim, AHostFindsNamesAndExchangesReportsThroughTheExports) {
  TempDir dir;
  const std::string log = dir.path() + "/traffic.log";
  const ShellRun run = Shell(kSim + " --log " + log +
                        " --device vid=0x1209,pid=0x0047,report=keyboard+64"
                        " --device vid=0x1209,pid=0x0047,report=8"
                        " --device vid=0x1209,pid=0x7140 -- " +
                        kProbe + " Tolv-01 1209 0047 0102030405060708");
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(run.out,
            "count 1\n"
            "name 0 0003:1209:0047.0002\n"
            "read 0102030405060708\n");

  const std::string traffic = ReadFile(log);
  EXPECT_NE(traffic.find(" /dev/hidraw1 set 65 000102030405060708" + std::string(112, '0') + "\n"),
            std::string::npos)
      << traffic;
  EXPECT_NE(traffic.find(" /dev/hidraw1 get 65 000102030405060708"), std::string::npos) << traffic;
}

TEST(KvnispSim, ModelOptionsReachTheModel) {
  const ShellRun run = Shell(kSim + " --device vid=0x1209,pid=0x0047,report=8,model=scripted,answers=A1A2A3 -- " +
                        kProbe + " Vrel-32 1209 0047 00000000");
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("read A1A2A300\n"), std::string::npos) << run.out;  // a short answer reads zeros
}

TEST(KvnispSim, FaultKnobsFromTheCommandLine) {
  const ShellRun run = Shell(kSim + " --device vid=0x1209,pid=0x0047,fail-set=1:EIO -- " + kProbe +
                        " Tolv-01 1209 0047 01");
  EXPECT_EQ(run.status, 6) << run.out;  // the write failed
}

TEST(KvnispSim, TheExitStatusIsTheCommands) {
  EXPECT_EQ(Shell(kSim + " --device vid=1,pid=2 -- sh -c 'exit 7'").status, 7);
  EXPECT_EQ(Shell(kSim + " --device vid=1,pid=2 -- true").status, 0);
  EXPECT_EQ(Shell(kSim + " --device vid=1,pid=2 -- sh -c 'kill -TERM $$'").status, 128 + 15);
  EXPECT_EQ(Shell(kSim + " --device vid=1,pid=2 -- /nonexistent/command 2>/dev/null").status, 127);
}

TEST(KvnispSim, TheCommandSeesOnlyTheEmulatedNodes) {
  const ShellRun run = Shell(kSim + " --device vid=1,pid=2,report=keyboard+8 -- sh -c 'ls /sys/class/hidraw'");
  ASSERT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "hidraw0\nhidraw1\n");
}

TEST(KvnispSim, UsageErrorsAndHelp) {
  EXPECT_EQ(Shell(kSim + " 2>/dev/null").status, 2);
  EXPECT_EQ(Shell(kSim + " --device vid=1,pid=2 2>/dev/null").status, 2);
  EXPECT_EQ(Shell(kSim + " -- true 2>/dev/null").status, 2);
  EXPECT_EQ(Shell(kSim + " --device vid=0,pid=2 -- true 2>/dev/null").status, 2);
  EXPECT_EQ(Shell(kSim + " --bogus -- true 2>/dev/null").status, 2);
  const ShellRun help = Shell(kSim + " --help");
  EXPECT_EQ(help.status, 0);
  for (const char *word : {"--device", "--log", "--state-dir", "report=", "fail-set=", "unplug-after=",
                           "refuse-rw=", "echo", "scripted", "answers loop"}) {
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
  }
}

TEST(KvnispSim, EachModelGetsItsOwnStateFolder) {
  TempDir dir;
  const ShellRun run = Shell(kSim + " --state-dir " + dir.path() +
                        " --device vid=1,pid=2,report=keyboard+64+8 --device vid=1,pid=3 -- true");
  ASSERT_EQ(run.status, 0);
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() + "/device0.1"));
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() + "/device0.2"));
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() + "/device1.0"));
  EXPECT_FALSE(std::filesystem::exists(dir.path() + "/device0.0"));  // the keyboard has no model
}

}  // namespace
