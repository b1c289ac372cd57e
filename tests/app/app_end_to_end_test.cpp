// The application end to end, on a private Xvfb display: started inside the
// product emulator (or an empty testbed), pressed with xdotool, and watched
// through screenshots compared with the scene that DrawScene draws for the
// state the window should be in. The screenshots of each state stay in
// artefacts/app/<test>/ of the build folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "scene.h"
#include "test_support.h"
#include "upgrade_workflow.h"
#include "x_session.h"

namespace kvn::app {
namespace {

using namespace std::chrono_literals;

constexpr int kScreenWidth = 800;
constexpr int kScreenHeight = 600;
constexpr int kWindowWidth = 555;
constexpr int kWindowHeight = 305;
// Channel difference that still counts as the same pixel, and how many
// pixels may differ beyond it (the two renderings of the same text may
// round an edge pixel differently).
constexpr int kTolerance = 8;
constexpr long kAllowedPixels = 20;

const char *const kProduct = "vid=0x1209,pid=0x0047,report=64,model=product,chip=Tolv-01";
const char *const kBootProduct = "vid=0x1209,pid=0x7140,report=64,model=product,chip=Tolv-01,mode=boot";

uint32_t PixelAt(cairo_surface_t *image, int x, int y) {
  const unsigned char *row = cairo_image_surface_get_data(image) + y * cairo_image_surface_get_stride(image);
  return reinterpret_cast<const uint32_t *>(row)[x] & 0xFFFFFFu;
}

SceneState SceneOf(const StatusLines &status) {
  SceneState state;
  state.statusTextCn = status.cn;
  state.statusTextEn = status.en;
  return state;
}

class AppEndToEnd : public ::testing::Test {
 protected:
  AppEndToEnd() : home_("app-e2e"), x_(kScreenWidth, kScreenHeight) {}

  void SetUp() override {
    ASSERT_TRUE(x_.Started()) << "Xvfb did not start";
    const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
    artefacts_ = std::string(KVN_APP_ARTEFACTS) + "/" + info->name();
    std::filesystem::remove_all(artefacts_);
    std::filesystem::create_directories(artefacts_);
    images_ = LoadSceneImages();
    ASSERT_TRUE(images_.background.Loaded());
  }

  std::string DataFolder() const { return home_.Path() + "/data/isptemp"; }
  std::string StateFolder() const { return home_.Path() + "/emulator"; }

  // The application, started by the given wrapper (kvnisp-sim or
  // umockdev-wrapper), with a private home and data folder.
  void Launch(std::vector<std::string> wrapper) {
    wrapper.push_back(KVN_APP_PROGRAM);
    auto environment = x_.Environment();
    environment["HOME"] = home_.Path();
    environment["XDG_DATA_HOME"] = home_.Path() + "/data";
    environment["LSAN_OPTIONS"] = std::string("suppressions=") + KVN_APP_LSAN_SUPPRESSIONS;
    app_ = std::make_unique<Child>(wrapper, environment, artefacts_ + "/app.log");
    const std::optional<WindowBox> window = x_.FindWindow("ORVANE Firmware Update", 60s);
    ASSERT_TRUE(window.has_value()) << "no window; see " << artefacts_ << "/app.log";
    window_ = *window;
    // The background's size, centred on the screen.
    EXPECT_EQ(window_.width, kWindowWidth);
    EXPECT_EQ(window_.height, kWindowHeight);
    EXPECT_EQ(window_.x, (kScreenWidth - kWindowWidth) / 2);
    EXPECT_EQ(window_.y, (kScreenHeight - kWindowHeight) / 2);
  }
  void LaunchInEmulator(const char *device) {
    Launch({KVNISP_SIM_PROGRAM, "--state-dir", StateFolder(), "--device", device, "--"});
  }

  Image Expected(const SceneState &state) {
    SceneGeometry geometry;
    SurfacePtr scene = RenderScene(kWindowWidth, kWindowHeight, images_, state, font_, geometry);
    return Image(cairo_surface_reference(scene.get()));
  }

  Image WindowShot() {
    Image screen = x_.Screenshot(home_.Path() + "/screen.png");
    if (!screen) return nullptr;
    return Crop(screen.get(), window_.x, window_.y, window_.width, window_.height);
  }

  static bool Matches(cairo_surface_t *shot, cairo_surface_t *expected, int x = 0, int y = 0, int w = -1,
                      int h = -1) {
    return Compare(shot, expected, kTolerance, x, y, w, h).pixels <= kAllowedPixels;
  }

  // Takes screenshots until the window shows expected; every other frame
  // goes to onOther. Keeps the last frame as <name>.png (and, when the state
  // never came, the expected picture beside it).
  ::testing::AssertionResult WaitFor(const SceneState &state, const std::string &name,
                                     std::chrono::seconds timeout,
                                     const std::function<void(cairo_surface_t *)> &onOther = {}) {
    const Image expected = Expected(state);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    Image shot;
    while (std::chrono::steady_clock::now() < deadline) {
      shot = WindowShot();
      if (shot && Matches(shot.get(), expected.get())) {
        SavePng(shot.get(), artefacts_ + "/" + name + ".png");
        lastShot_ = std::move(shot);
        return ::testing::AssertionSuccess();
      }
      if (shot && onOther) onOther(shot.get());
      if (app_ && !app_->Running()) break;
      std::this_thread::sleep_for(100ms);
    }
    SavePng(expected.get(), artefacts_ + "/" + name + "-expected.png");
    if (!shot) return ::testing::AssertionFailure() << "no screenshot";
    SavePng(shot.get(), artefacts_ + "/" + name + ".png");
    const Difference d = Compare(shot.get(), expected.get(), kTolerance);
    return ::testing::AssertionFailure() << "the window never showed " << name << " (" << d.pixels
                                         << " pixels differ, by up to " << d.largest << "); see " << artefacts_;
  }

  // Presses at a point of the window, then rests the pointer on a plain part
  // of it, so that no control shows its hover image.
  void Press(int x, int y) {
    x_.Click(window_.x + x, window_.y + y);
    x_.MovePointer(window_.x + 20, window_.y + 290);
  }
  void PressStart() { Press(277, 238); }
  void PressClose() { Press(533, 19); }

  // The window closes and the process ends well.
  void ExpectExit() {
    const std::optional<int> status = app_->Wait(20s);
    ASSERT_TRUE(status.has_value()) << "the application did not end";
    EXPECT_EQ(*status, 0);
  }

  // Runs a full upgrade from the press to the tick; the bar and the
  // start control's busy look are checked on the way.
  void UpgradeWithOnePress() {
    ASSERT_TRUE(WaitFor(SceneOf(status::kWindowOpened), "1-idle", 30s));
    WriteFile(DataFolder() + "/libKvnHidLib.so", "not a library");
    PressStart();

    SceneState busy = SceneOf(status::kUpgrading);
    busy.busy = true;
    const Image busyLook = Expected(busy);
    int busyFrames = 0;
    Image lastBusy;
    const auto whileRunning = [&](cairo_surface_t *shot) {
      // Everything but the bar: the bar moves.
      if (Matches(shot, busyLook.get(), 0, 0, kWindowWidth, 125) &&
          Matches(shot, busyLook.get(), 0, 163, kWindowWidth, kWindowHeight - 163)) {
        ++busyFrames;
        lastBusy = Image(cairo_surface_reference(shot));
        if (busyFrames == 1) {
          // While busy the close control does not close: the press drags.
          PressClose();
          const std::optional<WindowBox> moved = x_.FindWindow("ORVANE Firmware Update", 5s);
          if (moved) window_ = *moved;
        }
      }
    };
    SceneState done = SceneOf(status::kFinished);
    done.finished = true;
    done.progress = 100;
    done.shownProgress = kFullBar;
    ASSERT_TRUE(WaitFor(done, "3-finished", 120s, whileRunning));
    // The full green bar, end to end, and the tick in the start control.
    for (const auto &[x, y] : {std::pair{30, 125}, std::pair{524, 162}, std::pair{277, 144}}) {
      EXPECT_EQ(PixelAt(lastShot_.get(), x, y), 0x00B400u) << x << ", " << y;
    }
    SceneState noTick = done;
    noTick.finished = false;
    const Image withoutTick = Expected(noTick);
    EXPECT_FALSE(Matches(lastShot_.get(), withoutTick.get(), 262, 223, 30, 30)) << "no tick";

    ASSERT_GT(busyFrames, 0) << "the busy window was never seen";
    SavePng(lastBusy.get(), artefacts_ + "/2-running.png");
    // The bar had moved while the job ran.
    const Image idle = Expected(SceneOf(status::kWindowOpened));
    EXPECT_FALSE(Matches(lastBusy.get(), idle.get(), 30, 125, 4, 38)) << "no fill while running";

    EXPECT_FALSE(std::filesystem::exists(DataFolder() + "/temp.hex"));
    EXPECT_FALSE(std::filesystem::exists(DataFolder() + "/libKvnHidLib.so"));

    // The tick closes the window.
    PressStart();
    ExpectExit();
  }

  std::string EmulatorState() const { return ReadFile(StateFolder() + "/device0.0/state.txt"); }

  TempFolder home_;
  XSession x_;
  std::string artefacts_;
  SceneImages images_;
  SceneFont font_;
  std::unique_ptr<Child> app_;
  Image lastShot_;  // the frame that matched the last state waited for
  WindowBox window_;
};

TEST_F(AppEndToEnd, UpgradesTheProductWithOnePress) {
  LaunchInEmulator(kProduct);
  ASSERT_FALSE(HasFatalFailure());
  UpgradeWithOnePress();
  // The emulated flash holds the carried image, and the product runs it.
  const std::string state = EmulatorState();
  EXPECT_NE(state.find("checksum 0x1F57\n"), std::string::npos) << state;
  EXPECT_NE(state.find("mode user\n"), std::string::npos) << state;
}

TEST_F(AppEndToEnd, ProductInItsBootLoaderIsUpgradedBySecondAttempt) {
  LaunchInEmulator(kBootProduct);
  ASSERT_FALSE(HasFatalFailure());
  UpgradeWithOnePress();
  const std::string state = EmulatorState();
  EXPECT_NE(state.find("checksum 0x1F57\n"), std::string::npos) << state;
}

TEST_F(AppEndToEnd, FailedJobEndsInUpgradeFailedWithTheFillHidden) {
  // The boot loader's version answer comes with a wrong header.
  LaunchInEmulator((std::string(kProduct) + ",fault=garble:version").c_str());
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_TRUE(WaitFor(SceneOf(status::kWindowOpened), "1-idle", 30s));
  PressStart();
  SceneState failed = SceneOf(status::kFailed);
  failed.progress = -1;
  ASSERT_TRUE(WaitFor(failed, "2-failed", 60s));
  EXPECT_EQ(PixelAt(lastShot_.get(), 30, 125), 0xE6E6E6u);  // the track, without fill
  EXPECT_FALSE(std::filesystem::exists(DataFolder() + "/temp.hex"));
  // Idle again: the close control closes the window.
  PressClose();
  ExpectExit();
}

TEST_F(AppEndToEnd, NoProductEndsInDeviceNotFound) {
  // An empty testbed: the machine's own devices are not seen.
  Launch({UMOCKDEV_WRAPPER_PROGRAM});
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_TRUE(WaitFor(SceneOf(status::kWindowOpened), "1-idle", 30s));
  PressStart();
  ASSERT_TRUE(WaitFor(SceneOf(status::kDeviceNotFound), "2-device-not-found", 60s));
  EXPECT_TRUE(std::filesystem::is_directory(DataFolder()));
  EXPECT_FALSE(std::filesystem::exists(DataFolder() + "/temp.hex"));
  // Idle again: the close control closes the window.
  PressClose();
  ExpectExit();
}

}  // namespace
}  // namespace kvn::app
