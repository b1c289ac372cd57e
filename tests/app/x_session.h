// What the end-to-end tests need around the application: child processes,
// a private Xvfb display, screenshots and pointer presses through xdotool
// and ImageMagick's import.
#pragma once

#include <cairo.h>
#include <sys/types.h>

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kvn::app {

// A child process with its output in a file; killed if still running when
// the object goes.
class Child {
 public:
  Child(const std::vector<std::string> &argv, const std::map<std::string, std::string> &environment,
        const std::string &outputFile);
  ~Child();
  Child(const Child &) = delete;
  Child &operator=(const Child &) = delete;

  bool Running();
  // The exit status, or nullopt if it has not ended within the timeout
  // (or was killed by a signal: then 128 + signal).
  std::optional<int> Wait(std::chrono::milliseconds timeout);
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
};

// Runs a program to its end; its standard output, or nullopt on failure.
std::optional<std::string> Capture(const std::vector<std::string> &argv,
                                   const std::map<std::string, std::string> &environment);

struct SurfaceFree {
  void operator()(cairo_surface_t *s) const { cairo_surface_destroy(s); }
};
using Image = std::unique_ptr<cairo_surface_t, SurfaceFree>;

struct WindowBox {
  long id = 0;
  int x = 0, y = 0, width = 0, height = 0;
};

// A private X server (Xvfb, display number chosen by the server itself).
class XSession {
 public:
  XSession(int width, int height);
  ~XSession();

  bool Started() const { return display_ >= 0; }
  std::string Display() const { return ":" + std::to_string(display_); }
  std::map<std::string, std::string> Environment() const;

  // The visible top-level window with exactly this title.
  std::optional<WindowBox> FindWindow(const std::string &title, std::chrono::milliseconds timeout) const;
  // The whole screen, or null.
  Image Screenshot(const std::string &pngPath) const;
  void Click(int x, int y) const;
  void MovePointer(int x, int y) const;

 private:
  pid_t server_ = -1;
  int display_ = -1;
};

// A w x h part of an image, as a new image.
Image Crop(cairo_surface_t *image, int x, int y, int w, int h);
bool SavePng(cairo_surface_t *image, const std::string &path);

// How two images of one size differ: the pixels whose channels differ by
// more than the tolerance, in the part given (the whole image by default).
struct Difference {
  long pixels = 0;
  int largest = 0;
};
Difference Compare(cairo_surface_t *a, cairo_surface_t *b, int tolerance, int x = 0, int y = 0, int w = -1,
                   int h = -1);

}  // namespace kvn::app
