#include "x_session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <thread>

extern char **environ;

namespace kvn::app {

namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> MergedEnvironment(const std::map<std::string, std::string> &overrides) {
  std::vector<std::string> merged;
  for (char **entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    const std::string name = text.substr(0, text.find('='));
    if (overrides.find(name) == overrides.end()) merged.push_back(text);
  }
  for (const auto &[name, value] : overrides) merged.push_back(name + "=" + value);
  return merged;
}

std::vector<char *> Pointers(std::vector<std::string> &strings) {
  std::vector<char *> pointers;
  for (std::string &s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Starts argv; its standard output goes to outFd (or /dev/null), standard
// error to errFd (or /dev/null). Descriptors without close-on-exec stay
// open in the child. The child is killed when this process ends, so a test
// that dies leaves no X server behind.
pid_t Spawn(const std::vector<std::string> &argv, const std::map<std::string, std::string> &environment, int outFd,
            int errFd) {
  std::vector<std::string> args = argv;
  std::vector<std::string> env = MergedEnvironment(environment);
  std::vector<char *> argp = Pointers(args);
  std::vector<char *> envp = Pointers(env);
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid != 0) return pid;
  // The child: only async-signal-safe calls until exec.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(127);
  const int null = open("/dev/null", O_RDWR);
  dup2(null, 0);
  dup2(outFd >= 0 ? outFd : null, 1);
  dup2(errFd >= 0 ? errFd : null, 2);
  execvpe(argp[0], argp.data(), envp.data());
  _exit(127);
}

std::optional<int> Reap(pid_t pid, bool block) {
  int status = 0;
  for (;;) {
    const pid_t got = waitpid(pid, &status, block ? 0 : WNOHANG);
    if (got < 0 && errno == EINTR) continue;
    if (got != pid) return std::nullopt;
    break;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

void Stop(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  for (int i = 0; i < 100; ++i) {
    if (Reap(pid, false)) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(pid, SIGKILL);
  Reap(pid, true);
}

}  // namespace

Child::Child(const std::vector<std::string> &argv, const std::map<std::string, std::string> &environment,
             const std::string &outputFile) {
  const int fd = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  pid_ = Spawn(argv, environment, fd, fd);
  if (fd >= 0) close(fd);
}

Child::~Child() {
  if (pid_ > 0 && !status_) Stop(pid_);
}

bool Child::Running() {
  if (pid_ <= 0 || status_) return false;
  status_ = Reap(pid_, false);
  return !status_;
}

std::optional<int> Child::Wait(std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (Running() && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  return status_;
}

std::optional<std::string> Capture(const std::vector<std::string> &argv,
                                   const std::map<std::string, std::string> &environment) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
  const pid_t pid = Spawn(argv, environment, fds[1], -1);
  close(fds[1]);
  std::string out;
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(fds[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    out.append(buffer, static_cast<std::size_t>(n));
  }
  close(fds[0]);
  if (pid <= 0) return std::nullopt;
  const std::optional<int> status = Reap(pid, true);
  if (!status || *status != 0) return std::nullopt;
  return out;
}

XSession::XSession(int width, int height) {
  // Xvfb writes the display number it took to the descriptor it is given.
  int fds[2];
  if (pipe(fds) != 0) return;
  fcntl(fds[0], F_SETFD, FD_CLOEXEC);
  const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  server_ = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen, "-nolisten", "tcp",
                   "-noreset"},
                  {}, -1, -1);
  close(fds[1]);
  std::string number;
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  while (Clock::now() < deadline) {
    pollfd wait{fds[0], POLLIN, 0};
    if (poll(&wait, 1, 200) <= 0) continue;
    char c = 0;
    const ssize_t n = read(fds[0], &c, 1);
    if (n <= 0 || c == '\n') break;
    number += c;
  }
  close(fds[0]);
  if (!number.empty() && std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    display_ = std::stoi(number);
  }
}

XSession::~XSession() { Stop(server_); }

std::map<std::string, std::string> XSession::Environment() const {
  return {{"DISPLAY", Display()}, {"GDK_BACKEND", "x11"}, {"NO_AT_BRIDGE", "1"}, {"WAYLAND_DISPLAY", ""}};
}

std::optional<WindowBox> XSession::FindWindow(const std::string &title, std::chrono::milliseconds timeout) const {
  const auto deadline = Clock::now() + timeout;
  do {
    const std::optional<std::string> ids =
        Capture({"xdotool", "search", "--onlyvisible", "--name", "^" + title + "$"}, Environment());
    std::istringstream list(ids.value_or(""));
    long id = 0;
    if (list >> id) {
      const std::optional<std::string> shell =
          Capture({"xdotool", "getwindowgeometry", "--shell", std::to_string(id)}, Environment());
      if (shell) {
        WindowBox box;
        box.id = id;
        std::istringstream lines(*shell);
        std::string line;
        while (std::getline(lines, line)) {
          const auto eq = line.find('=');
          if (eq == std::string::npos) continue;
          const std::string key = line.substr(0, eq);
          const int value = std::atoi(line.c_str() + eq + 1);
          if (key == "X") box.x = value;
          if (key == "Y") box.y = value;
          if (key == "WIDTH") box.width = value;
          if (key == "HEIGHT") box.height = value;
        }
        return box;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  } while (Clock::now() < deadline);
  return std::nullopt;
}

Image XSession::Screenshot(const std::string &pngPath) const {
  if (!Capture({"import", "-window", "root", "PNG24:" + pngPath}, Environment())) return nullptr;
  Image image(cairo_image_surface_create_from_png(pngPath.c_str()));
  if (cairo_surface_status(image.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  return image;
}

void XSession::Click(int x, int y) const {
  Capture({"xdotool", "mousemove", "--sync", std::to_string(x), std::to_string(y), "click", "1"}, Environment());
}

void XSession::MovePointer(int x, int y) const {
  Capture({"xdotool", "mousemove", "--sync", std::to_string(x), std::to_string(y)}, Environment());
}

Image Crop(cairo_surface_t *image, int x, int y, int w, int h) {
  Image part(cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h));
  cairo_t *cr = cairo_create(part.get());
  cairo_set_source_surface(cr, image, -x, -y);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_flush(part.get());
  return part;
}

bool SavePng(cairo_surface_t *image, const std::string &path) {
  return cairo_surface_write_to_png(image, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

Difference Compare(cairo_surface_t *a, cairo_surface_t *b, int tolerance, int x, int y, int w, int h) {
  Difference difference;
  const int width = std::min(cairo_image_surface_get_width(a), cairo_image_surface_get_width(b));
  const int height = std::min(cairo_image_surface_get_height(a), cairo_image_surface_get_height(b));
  if (w < 0) w = width - x;
  if (h < 0) h = height - y;
  const int right = std::min(x + w, width), bottom = std::min(y + h, height);
  for (int row = std::max(y, 0); row < bottom; ++row) {
    const auto *pa = reinterpret_cast<const uint32_t *>(cairo_image_surface_get_data(a) +
                                                         row * cairo_image_surface_get_stride(a));
    const auto *pb = reinterpret_cast<const uint32_t *>(cairo_image_surface_get_data(b) +
                                                         row * cairo_image_surface_get_stride(b));
    for (int col = std::max(x, 0); col < right; ++col) {
      int largest = 0;
      for (int shift : {0, 8, 16}) {
        const int ca = static_cast<int>((pa[col] >> shift) & 0xFF);
        const int cb = static_cast<int>((pb[col] >> shift) & 0xFF);
        largest = std::max(largest, std::abs(ca - cb));
      }
      difference.largest = std::max(difference.largest, largest);
      if (largest > tolerance) ++difference.pixels;
    }
  }
  return difference;
}

}  // namespace kvn::app
