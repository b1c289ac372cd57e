// The artwork program, run into temporary folders: every image at the size
// the window's layout assumes, the same bytes on every run, and the pixel
// properties that the nine-slice drawing and the control states rely on.
#include <cairo.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

namespace {

namespace fs = std::filesystem;

struct SurfaceRelease {
  void operator()(cairo_surface_t *s) const { cairo_surface_destroy(s); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceRelease>;

struct Pixel {
  int r, g, b, a;
};

fs::path NewFolder(const char *tag) {
  const fs::path base = fs::temp_directory_path() /
                        ("kvn-artwork-" + std::string(tag) + "-" + std::to_string(::getpid()));
  fs::remove_all(base);
  fs::create_directories(base);
  return base;
}

// Runs the artwork program; the font caches it keeps to the end are no leak.
int DrawInto(const fs::path &folder) {
  const std::string command = "ASAN_OPTIONS=detect_leaks=0 '" + std::string(KVN_DRAW_ARTWORK_PATH) + "' '" +
                              folder.string() + "'";
  return std::system(command.c_str());
}

std::string Bytes(const fs::path &file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class Artwork : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new fs::path(NewFolder("a"));
    ASSERT_EQ(DrawInto(*folder_), 0);
  }
  static void TearDownTestSuite() {
    fs::remove_all(*folder_);
    delete folder_;
  }

  static Surface Load(const std::string &name) {
    return Surface(cairo_image_surface_create_from_png((*folder_ / name).c_str()));
  }
  // Un-premultiplied colour of one pixel of an ARGB32 surface.
  static Pixel At(cairo_surface_t *s, int x, int y) {
    cairo_surface_flush(s);
    const auto *row = cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s);
    const uint32_t v = reinterpret_cast<const uint32_t *>(row)[x];
    const int a = cairo_image_surface_get_format(s) == CAIRO_FORMAT_RGB24 ? 255 : static_cast<int>(v >> 24);
    auto channel = [a](uint32_t c) { return a == 0 ? 0 : static_cast<int>((c & 0xFF) * 255 / a); };
    return {channel(v >> 16), channel(v >> 8), channel(v), a};
  }
  // Mean colour of the nearly opaque pixels: the colour of a line drawing.
  static Pixel InkColour(cairo_surface_t *s) {
    long r = 0, g = 0, b = 0, n = 0;
    for (int y = 0; y < cairo_image_surface_get_height(s); ++y) {
      for (int x = 0; x < cairo_image_surface_get_width(s); ++x) {
        const Pixel p = At(s, x, y);
        if (p.a < 230) continue;
        r += p.r, g += p.g, b += p.b, ++n;
      }
    }
    if (n == 0) return {0, 0, 0, 0};
    return {static_cast<int>(r / n), static_cast<int>(g / n), static_cast<int>(b / n), 255};
  }

  static fs::path *folder_;
};
fs::path *Artwork::folder_ = nullptr;

TEST_F(Artwork, EveryImageHasTheSizeTheWindowLayoutAssumes) {
  const struct {
    const char *name;
    int width, height;
  } expected[] = {
      {"png/132.png", 555, 305}, {"png/133.png", 97, 32},   {"png/134.png", 97, 32},
      {"png/135.png", 97, 32},   {"png/139.png", 30, 30},   {"png/131.png", 23, 23},
      {"png/130.png", 23, 23},   {"png/140.png", 23, 23},   {"icon/48.png", 48, 48},
      {"icon/64.png", 64, 64},   {"icon/128.png", 128, 128}, {"icon/256.png", 256, 256},
  };
  for (const auto &image : expected) {
    SCOPED_TRACE(image.name);
    Surface s = Load(image.name);
    ASSERT_EQ(cairo_surface_status(s.get()), CAIRO_STATUS_SUCCESS);
    // An image without any transparent pixel comes back as RGB24.
    EXPECT_TRUE(cairo_image_surface_get_format(s.get()) == CAIRO_FORMAT_ARGB32 ||
                cairo_image_surface_get_format(s.get()) == CAIRO_FORMAT_RGB24);
    EXPECT_EQ(cairo_image_surface_get_width(s.get()), image.width);
    EXPECT_EQ(cairo_image_surface_get_height(s.get()), image.height);
  }
}

TEST_F(Artwork, ASecondRunWritesTheSameBytes) {
  const fs::path again = NewFolder("b");
  ASSERT_EQ(DrawInto(again), 0);
  int compared = 0;
  for (const auto &entry : fs::recursive_directory_iterator(*folder_)) {
    if (!entry.is_regular_file()) continue;
    const fs::path relative = fs::relative(entry.path(), *folder_);
    SCOPED_TRACE(relative.string());
    EXPECT_EQ(Bytes(entry.path()), Bytes(again / relative));
    ++compared;
  }
  EXPECT_EQ(compared, 13);  // 8 window images, 4 icon sizes, the SVG
  fs::remove_all(again);
}

TEST_F(Artwork, WindowFaceIsOpaqueWithAnOrangeOutlineAndADarkerTitleStrip) {
  Surface face = Load("png/132.png");
  for (int y = 0; y < 305; ++y) {
    for (int x = 0; x < 555; ++x) ASSERT_EQ(At(face.get(), x, y).a, 255) << x << "," << y;
  }
  for (const auto &[x, y] : {std::pair{0, 150}, {554, 150}, {277, 0}, {277, 304}}) {
    const Pixel p = At(face.get(), x, y);
    EXPECT_GT(p.r, 200) << x << "," << y;
    EXPECT_LT(p.b, 80) << x << "," << y;
  }
  // beside the close control, in the strip; and the body under the status lines
  const Pixel strip = At(face.get(), 400, 20);
  const Pixel body = At(face.get(), 400, 70);
  EXPECT_LT(strip.r + strip.g + strip.b, body.r + body.g + body.b);
  // white status text must stand out: the body stays dark
  EXPECT_LT(body.r, 80);
}

TEST_F(Artwork, StartControlFacesStretchWithoutDistortion) {
  Surface normal = Load("png/133.png");
  Surface hover = Load("png/134.png");
  Surface busy = Load("png/135.png");
  // The window stretches everything between the 8-pixel corners; each row
  // there must be one colour, or the stretched control would smear.
  for (cairo_surface_t *s : {normal.get(), hover.get()}) {
    for (int y = 0; y < 32; ++y) {
      const Pixel first = At(s, 8, y);
      for (int x = 9; x < 97 - 8; ++x) {
        const Pixel p = At(s, x, y);
        ASSERT_TRUE(p.r == first.r && p.g == first.g && p.b == first.b && p.a == first.a) << x << "," << y;
      }
    }
  }
  // busy shows the normal face; the pointer over it turns it orange
  EXPECT_EQ(Bytes(*folder_ / "png/135.png"), Bytes(*folder_ / "png/133.png"));
  const Pixel grey = At(normal.get(), 48, 16);
  const Pixel orange = At(hover.get(), 48, 16);
  EXPECT_LT(std::abs(grey.r - grey.b), 10);
  EXPECT_GT(orange.r, orange.g + 40);
  EXPECT_GT(orange.g, orange.b + 40);
  EXPECT_EQ(At(busy.get(), 48, 16).r, grey.r);
}

TEST_F(Artwork, CloseCrossesAndTickHaveTheirColours) {
  Surface white = Load("png/131.png");
  Surface orange = Load("png/130.png");
  Surface grey = Load("png/140.png");
  Surface tick = Load("png/139.png");
  const Pixel w = InkColour(white.get()), o = InkColour(orange.get()), g = InkColour(grey.get()),
              t = InkColour(tick.get());
  EXPECT_GT(std::min({w.r, w.g, w.b}), 240);
  EXPECT_GT(std::min({t.r, t.g, t.b}), 240);
  EXPECT_GT(o.r, 200);
  EXPECT_GT(o.r, o.g + 60);
  EXPECT_GT(o.g, o.b + 60);
  EXPECT_LT(std::abs(g.r - g.b), 8);
  EXPECT_GT(g.r, 90);
  EXPECT_LT(g.r, 170);
  // lines on a clear ground: the corners show whatever lies beneath
  for (cairo_surface_t *s : {white.get(), orange.get(), grey.get(), tick.get()}) EXPECT_EQ(At(s, 0, 0).a, 0);
}

TEST_F(Artwork, ScalableIconLoadsAtIconSizes) {
  for (int size : {32, 256}) {
    GError *error = nullptr;
    GdkPixbuf *icon = gdk_pixbuf_new_from_file_at_size((*folder_ / "icon/kavrin-upgrade-tool.svg").c_str(),
                                                       size, size, &error);
    if (icon == nullptr && error != nullptr && error->domain == GDK_PIXBUF_ERROR &&
        error->code == GDK_PIXBUF_ERROR_UNKNOWN_TYPE) {
      g_error_free(error);
      GTEST_SKIP() << "gdk-pixbuf has no SVG loader here";
    }
    ASSERT_NE(icon, nullptr) << (error != nullptr ? error->message : "");
    EXPECT_EQ(gdk_pixbuf_get_width(icon), size);
    EXPECT_EQ(gdk_pixbuf_get_height(icon), size);
    g_object_unref(icon);
  }
}

}  // namespace
