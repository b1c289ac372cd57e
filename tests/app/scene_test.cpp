// DrawScene: the layout for the carried 555 x 305 background, the nine-slice
// parts, and the pixels of a rendered scene made from plain-coloured stand-in
// images, so that every image choice and the bar can be told apart.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <ostream>
#include <string>

#include "scene.h"
#include "scene_geometry.h"
#include "scene_text.h"

namespace kvn::app {
namespace {

constexpr int kW = 555;
constexpr int kH = 305;

struct Pixel {
  int r, g, b;
  bool operator==(const Pixel &) const = default;
};

std::ostream &operator<<(std::ostream &out, const Pixel &p) {
  return out << "(" << p.r << ", " << p.g << ", " << p.b << ")";
}

Pixel At(cairo_surface_t *surface, int x, int y) {
  const unsigned char *row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
  const uint32_t value = reinterpret_cast<const uint32_t *>(row)[x];
  return {static_cast<int>((value >> 16) & 0xFF), static_cast<int>((value >> 8) & 0xFF),
          static_cast<int>(value & 0xFF)};
}

// An image of one colour, or with 8 x 8 corners of another.
ImageSlot Solid(int width, int height, Pixel colour, std::optional<Pixel> corners = std::nullopt) {
  ImageSlot slot;
  slot.image.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
  cairo_t *cr = cairo_create(slot.image.get());
  cairo_set_source_rgb(cr, colour.r / 255.0, colour.g / 255.0, colour.b / 255.0);
  cairo_paint(cr);
  if (corners) {
    cairo_set_source_rgb(cr, corners->r / 255.0, corners->g / 255.0, corners->b / 255.0);
    for (int x : {0, width - 8}) {
      for (int y : {0, height - 8}) cairo_rectangle(cr, x, y, 8, 8);
    }
    cairo_fill(cr);
  }
  cairo_destroy(cr);
  cairo_surface_flush(slot.image.get());
  slot.width = width;
  slot.height = height;
  return slot;
}

const Pixel kBackground{10, 20, 40};
const Pixel kStartNormal{60, 60, 60};
const Pixel kStartHover{240, 120, 0};
const Pixel kStartBusy{70, 40, 90};
const Pixel kMark{255, 0, 255};
const Pixel kCloseNormal{0, 0, 255};
const Pixel kCloseHover{255, 128, 0};
const Pixel kCloseBusy{128, 128, 0};
const Pixel kTrack{230, 230, 230};
const Pixel kFill{0, 180, 0};

SceneImages StandIns() {
  SceneImages images;
  images.background = Solid(kW, kH, kBackground);
  images.startNormal = Solid(97, 32, kStartNormal);
  images.startHover = Solid(97, 32, kStartHover);
  images.startBusy = Solid(97, 32, kStartBusy);
  images.finishedMark = Solid(30, 30, kMark);
  images.closeNormal = Solid(23, 23, kCloseNormal);
  images.closeHover = Solid(23, 23, kCloseHover);
  images.closeBusy = Solid(23, 23, kCloseBusy);
  return images;
}

// --- layout -----------------------------------------------------------------------

TEST(SceneLayout, RectanglesForTheCarriedBackground) {
  const Rect button = StartControlRect(kW);
  EXPECT_EQ(button, (Rect{177, 215, 377, 262}));
  EXPECT_EQ(CloseControlRect(kW, 23, 23), (Rect{522, 8, 545, 31}));
  EXPECT_EQ(TrackBox(kW), (Box{30, 125, 495, 38}));
  EXPECT_EQ(FillBox(kW, 500), (Box{30, 125, 495, 38}));
  EXPECT_EQ(FillBox(kW, 250).width, 247);  // 247.5, truncated
  EXPECT_EQ(FillBox(kW, 5).width, 4);
  EXPECT_EQ(FillBox(kW, 0).width, 0);
  EXPECT_EQ(StatusLineEnRect(kW), (Rect{50, 55, 505, 85}));
  EXPECT_EQ(StatusLineCnRect(kW), (Rect{50, 85, 505, 115}));
  EXPECT_EQ(CaptionEnRect(button), (Rect{177, 215, 377, 238}));
  EXPECT_EQ(CaptionCnRect(button), (Rect{177, 238, 377, 262}));
  EXPECT_EQ(FinishedMarkBox(button, 30, 30), (Box{262, 223, 30, 30}));
  // Odd client widths truncate toward zero.
  EXPECT_EQ(StartControlRect(456), (Rect{128, 215, 328, 262}));
}

TEST(SceneLayout, RightAndBottomEdgesAreOutside) {
  const Rect button = StartControlRect(kW);
  EXPECT_TRUE(button.Contains(177, 215));
  EXPECT_TRUE(button.Contains(376, 261));
  EXPECT_FALSE(button.Contains(377, 240));
  EXPECT_FALSE(button.Contains(250, 262));
  EXPECT_FALSE(Rect{}.Contains(0, 0));
}

TEST(SceneLayout, NineSlicePartsOfTheStartControl) {
  const auto parts = NineSliceParts(97, 32, StartControlRect(kW));
  const NineSlicePart expected[9] = {
      {{177, 215, 8, 8}, {0, 0, 8, 8}},       // top left
      {{177, 223, 8, 31}, {0, 8, 8, 16}},     // left edge
      {{177, 254, 8, 8}, {0, 24, 8, 8}},      // bottom left
      {{185, 215, 184, 8}, {8, 0, 81, 8}},    // top edge
      {{369, 215, 8, 8}, {89, 0, 8, 8}},      // top right
      {{369, 223, 8, 31}, {89, 8, 8, 16}},    // right edge
      {{369, 254, 8, 8}, {89, 24, 8, 8}},     // bottom right
      {{185, 254, 184, 8}, {8, 24, 81, 8}},   // bottom edge
      {{185, 223, 184, 31}, {8, 8, 81, 16}},  // centre
  };
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(parts[i].destination, expected[i].destination) << "part " << i;
    EXPECT_EQ(parts[i].source, expected[i].source) << "part " << i;
  }
  // The parts cover the rectangle once each, and the image once each.
  int destinationArea = 0, sourceArea = 0;
  for (const NineSlicePart &part : parts) {
    destinationArea += part.destination.width * part.destination.height;
    sourceArea += part.source.width * part.source.height;
  }
  EXPECT_EQ(destinationArea, 200 * 47);
  EXPECT_EQ(sourceArea, 97 * 32);
}

// --- pixels -------------------------------------------------------------------------

class SceneRender : public ::testing::Test {
 protected:
  SurfacePtr Render(const SceneState &state) { return RenderScene(kW, kH, images_, state, font_, geometry_); }

  SceneImages images_ = StandIns();
  SceneFont font_;
  SceneGeometry geometry_;
};

TEST_F(SceneRender, FillFollowsTheShownProgressOnlyWhileProgressIsPositive) {
  SceneState state;
  state.progress = 50;
  state.shownProgress = 250;
  SurfacePtr half = Render(state);
  EXPECT_EQ(At(half.get(), 30, 125), kFill);
  EXPECT_EQ(At(half.get(), 276, 162), kFill);   // last column of the 247-pixel fill
  EXPECT_EQ(At(half.get(), 277, 140), kTrack);  // first column after it
  EXPECT_EQ(At(half.get(), 524, 162), kTrack);
  EXPECT_EQ(At(half.get(), 525, 140), kBackground);
  EXPECT_EQ(At(half.get(), 100, 124), kBackground);
  EXPECT_EQ(At(half.get(), 100, 163), kBackground);

  for (int progress : {0, -1}) {
    state.progress = progress;
    SurfacePtr hidden = Render(state);
    EXPECT_EQ(At(hidden.get(), 30, 125), kTrack) << "progress " << progress;
    EXPECT_EQ(At(hidden.get(), 200, 140), kTrack) << "progress " << progress;
  }

  state.progress = 100;
  state.shownProgress = 500;
  SurfacePtr full = Render(state);
  EXPECT_EQ(At(full.get(), 524, 162), kFill);
  EXPECT_EQ(At(full.get(), 525, 140), kBackground);
}

TEST_F(SceneRender, ControlImagesFollowBusyAndHover) {
  struct Case {
    bool busy, buttonHover, closeHover;
    Pixel start, close;
  };
  const Case cases[] = {
      {false, false, false, kStartNormal, kCloseNormal},
      {false, true, false, kStartHover, kCloseNormal},
      {false, false, true, kStartNormal, kCloseHover},
      {true, true, true, kStartBusy, kCloseBusy},
      {true, false, false, kStartBusy, kCloseBusy},
  };
  for (const Case &c : cases) {
    SceneState state;
    state.busy = c.busy;
    state.buttonHover = c.buttonHover;
    state.closeHover = c.closeHover;
    SurfacePtr scene = Render(state);
    const std::string label = "busy " + std::to_string(c.busy) + " hover " + std::to_string(c.buttonHover) +
                              "/" + std::to_string(c.closeHover);
    EXPECT_EQ(At(scene.get(), 179, 217), c.start) << label;
    EXPECT_EQ(At(scene.get(), 375, 260), c.start) << label;
    EXPECT_EQ(At(scene.get(), 522, 8), c.close) << label;
    EXPECT_EQ(At(scene.get(), 544, 30), c.close) << label;
    EXPECT_EQ(At(scene.get(), 545, 31), kBackground) << label;
    EXPECT_EQ(At(scene.get(), 377, 262), kBackground) << label;
  }
  EXPECT_EQ(geometry_.buttonRect, (Rect{177, 215, 377, 262}));
  EXPECT_EQ(geometry_.closeRect, (Rect{522, 8, 545, 31}));
}

TEST_F(SceneRender, NineSliceKeepsTheCorners) {
  const Pixel corner{200, 0, 0};
  images_.startNormal = Solid(97, 32, kStartNormal, corner);
  SurfacePtr scene = Render(SceneState{});
  EXPECT_EQ(At(scene.get(), 177, 215), corner);
  EXPECT_EQ(At(scene.get(), 184, 222), corner);
  EXPECT_EQ(At(scene.get(), 185, 216), kStartNormal);  // a stretched corner would reach here
  EXPECT_EQ(At(scene.get(), 178, 223), kStartNormal);
  EXPECT_EQ(At(scene.get(), 369, 254), corner);
  EXPECT_EQ(At(scene.get(), 376, 261), corner);
  EXPECT_EQ(At(scene.get(), 368, 260), kStartNormal);
  EXPECT_EQ(At(scene.get(), 369, 215), corner);
  EXPECT_EQ(At(scene.get(), 177, 261), corner);
}

TEST_F(SceneRender, FinishedMarkReplacesTheCaptions) {
  SceneState state;
  state.finished = true;
  SurfacePtr done = Render(state);
  EXPECT_EQ(At(done.get(), 262, 223), kMark);
  EXPECT_EQ(At(done.get(), 291, 252), kMark);
  EXPECT_EQ(At(done.get(), 261, 223), kStartNormal);
  EXPECT_EQ(At(done.get(), 292, 252), kStartNormal);

  state.finished = false;
  SurfacePtr idle = Render(state);
  EXPECT_NE(At(idle.get(), 262, 223), kMark);
}

// The brightest pixel of a rectangle, by its darkest channel.
Pixel Brightest(cairo_surface_t *surface, const Rect &rect) {
  Pixel best{0, 0, 0};
  for (int y = rect.top; y < rect.bottom; ++y) {
    for (int x = rect.left; x < rect.right; ++x) {
      const Pixel p = At(surface, x, y);
      if (std::min({p.r, p.g, p.b}) > std::min({best.r, best.g, best.b})) best = p;
    }
  }
  return best;
}

TEST_F(SceneRender, CaptionsAreWhiteWhenIdleAndGreyWhileBusy) {
  SceneState state;
  SurfacePtr idle = Render(state);
  const Rect button = StartControlRect(kW);
  EXPECT_GE(std::min({Brightest(idle.get(), button).r, Brightest(idle.get(), button).b}), 250);

  state.busy = true;
  SurfacePtr busy = Render(state);
  for (const Rect &half : {CaptionEnRect(button), CaptionCnRect(button)}) {
    const Pixel p = Brightest(busy.get(), half);
    EXPECT_GE(std::min({p.r, p.g, p.b}), 110) << "captions drawn";
    EXPECT_LE(std::max({p.r, p.g, p.b}), 135) << "never brighter than their grey";
  }
}

// The bounding box of the pixels brighter than the background in rect.
Rect InkBox(cairo_surface_t *surface, const Rect &rect) {
  Rect box{rect.right, rect.bottom, rect.left, rect.top};
  for (int y = rect.top; y < rect.bottom; ++y) {
    for (int x = rect.left; x < rect.right; ++x) {
      if (At(surface, x, y).g > 128) {
        box.left = std::min(box.left, x);
        box.top = std::min(box.top, y);
        box.right = std::max(box.right, x + 1);
        box.bottom = std::max(box.bottom, y + 1);
      }
    }
  }
  return box;
}

TEST_F(SceneRender, StatusLinesAreCentredInTheirRectangles) {
  SceneState state;
  state.statusTextEn = "Firmware Update";
  state.statusTextCn = "固件升级";
  SurfacePtr scene = Render(state);
  for (const Rect &line : {StatusLineEnRect(kW), StatusLineCnRect(kW)}) {
    const Rect ink = InkBox(scene.get(), line);
    ASSERT_FALSE(ink.Empty()) << "line at " << line.top;
    EXPECT_NEAR((ink.left + ink.right) / 2.0, kW / 2.0, 2.5) << "line at " << line.top;
    EXPECT_NEAR((ink.top + ink.bottom) / 2.0, (line.top + line.bottom) / 2.0, 4) << "line at " << line.top;
    // Bold 20-pixel text: clearly taller than a small font, within the line.
    EXPECT_GE(ink.Height(), 12) << "line at " << line.top;
  }
}

TEST_F(SceneRender, LongStatusLineIsEllipsizedInsideItsRectangle) {
  const std::string longLine(120, 'W');
  cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kW, kH);
  cairo_t *cr = cairo_create(surface);
  EXPECT_TRUE(DrawCenteredText(cr, font_, longLine, StatusLineEnRect(kW), {1, 1, 1}));
  EXPECT_FALSE(DrawCenteredText(cr, font_, "Upgrade Finish", StatusLineCnRect(kW), {1, 1, 1}));
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  const Rect ink = InkBox(surface, {0, 55, kW, 85});
  EXPECT_GE(ink.left, 50);
  EXPECT_LE(ink.right, 505);
  EXPECT_GT(ink.Width(), 400);
  cairo_surface_destroy(surface);
}

TEST_F(SceneRender, MissingImagesAreSkipped) {
  SceneImages none;
  SceneGeometry geometry;
  SceneState state;
  state.busy = true;
  SurfacePtr bare = RenderScene(kW, kH, none, state, font_, geometry);
  EXPECT_TRUE(geometry.buttonRect.Empty());
  EXPECT_TRUE(geometry.closeRect.Empty());
  EXPECT_EQ(At(bare.get(), 5, 300), (Pixel{0, 0, 0}));
  EXPECT_EQ(At(bare.get(), 179, 217), (Pixel{0, 0, 0}));
  EXPECT_EQ(At(bare.get(), 100, 140), kTrack);

  // Without 140 the close control's place stays empty while busy; without
  // 130 there is no close control at all.
  images_.closeBusy.Release();
  SurfacePtr noBusyClose = Render(state);
  EXPECT_EQ(At(noBusyClose.get(), 533, 19), kBackground);
  images_.closeHover.Release();
  geometry_ = {};
  state.busy = false;
  Render(state);
  EXPECT_TRUE(geometry_.closeRect.Empty());
  EXPECT_FALSE(geometry_.buttonRect.Empty());
}

}  // namespace
}  // namespace kvn::app
