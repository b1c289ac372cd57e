// The hidraw node scan on a fake sysfs and /dev tree.
#include "node_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace kvnisp {
namespace {

namespace fs = std::filesystem;

class FakeTree : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kvnisp-nodes-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    fs::create_directories(root_ / "sys/class/hidraw");
    fs::create_directories(root_ / "dev");
    roots_.sysClassHidraw = (root_ / "sys/class/hidraw").string();
    roots_.devDir = (root_ / "dev").string();
  }
  void TearDown() override { fs::remove_all(root_); }

  void AddNode(const std::string &name, const std::string &uevent, bool withDevNode = true) {
    fs::path device = root_ / "sys/class/hidraw" / name / "device";
    fs::create_directories(device);
    std::ofstream(device / "uevent") << uevent;
    if (withDevNode) std::ofstream(root_ / "dev" / name) << "";
  }

  fs::path root_;
  NodeRoots roots_;
};

TEST_F(FakeTree, KeepsTheNodesWithTheIdsInNumberOrder) {
  AddNode("hidraw10", "DRIVER=hid-generic\nHID_ID=0003:00001209:00000047\nHID_NAME=Product B\n");
  AddNode("hidraw2", "HID_ID=0003:00001209:00000047\nHID_NAME=Product A\n");
  AddNode("hidraw3", "HID_ID=0003:00001209:00007140\n");
  AddNode("hidraw4", "HID_ID=0003:0000046D:00000047\n");
  std::vector<HidrawNode> nodes = ScanHidrawNodes(0x1209, 0x0047, roots_);
  ASSERT_EQ(nodes.size(), 2u);
  EXPECT_EQ(nodes[0].name, "hidraw2");
  EXPECT_EQ(nodes[0].hidName, "Product A");
  EXPECT_EQ(nodes[0].devicePath, roots_.devDir + "/hidraw2");
  EXPECT_EQ(nodes[0].openError, 0);
  EXPECT_EQ(nodes[1].name, "hidraw10");
  EXPECT_EQ(ScanHidrawNodes(0x1209, 0x7140, roots_).size(), 1u);
}

TEST_F(FakeTree, IgnoresMalformedEntries) {
  AddNode("hidraw0", "HID_ID=0003:1209\n");
  AddNode("hidraw1", "HID_ID=0003:0000120G:00000047\n");
  AddNode("hidraw5", "HID_ID=0003:100001209:00000047\n");
  AddNode("hidrawX", "HID_ID=0003:00001209:00000047\n");
  AddNode("other7", "HID_ID=0003:00001209:00000047\n");
  AddNode("hidraw6", std::string(40000, 'x'));
  EXPECT_TRUE(ScanHidrawNodes(0x1209, 0x0047, roots_).empty());
}

TEST_F(FakeTree, MissingDevNodeIsReportedAsNotThereNotAsPermission) {
  AddNode("hidraw0", "HID_ID=0003:00001209:00000047\n", false);
  std::vector<HidrawNode> nodes = ScanHidrawNodes(0x1209, 0x0047, roots_);
  ASSERT_EQ(nodes.size(), 1u);
  EXPECT_EQ(nodes[0].openError, ENOENT);
  EXPECT_FALSE(IsPermissionError(nodes[0].openError));
}

TEST_F(FakeTree, NodeThatMayNotBeOpenedGivesAPermissionError) {
  AddNode("hidraw0", "HID_ID=0003:00001209:00000047\n");
  fs::path node = root_ / "dev/hidraw0";
  ASSERT_EQ(chmod(node.c_str(), 0600), 0);
  ASSERT_EQ(chmod(root_.c_str(), 0755), 0);   // mkdtemp made it 0700
  // Root opens anything, so the scan runs in a child that became nobody.
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (getuid() == 0 && setuid(65534) != 0) _exit(10);
    std::vector<HidrawNode> nodes = ScanHidrawNodes(0x1209, 0x0047, roots_);
    if (nodes.size() != 1) _exit(11);
    _exit(IsPermissionError(nodes[0].openError) ? 0 : 12);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "10: setuid failed, 11: node not seen, 12: no permission error";
}

TEST(ParseHidId, ReadsBusVendorAndProduct) {
  uint16_t vendor = 0, product = 0;
  EXPECT_TRUE(ParseHidId("A=1\nHID_ID=0003:00001209:00007140\nB=2", vendor, product));
  EXPECT_EQ(vendor, 0x1209);
  EXPECT_EQ(product, 0x7140);
  EXPECT_FALSE(ParseHidId("HID_ID=0003:00001209:", vendor, product));
  EXPECT_FALSE(ParseHidId("HID_ID=0003:00011209:00000001", vendor, product));
  EXPECT_FALSE(ParseHidId("XHID_ID=0003:00001209:00000047", vendor, product));
  EXPECT_FALSE(ParseHidId("", vendor, product));
}

}  // namespace
}  // namespace kvnisp
