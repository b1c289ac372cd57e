// Where everything of the window's scene goes, in client pixels, for a
// client area w x h. All divisions truncate toward zero.
#pragma once

#include <array>

namespace kvn::app {

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Empty() const { return right <= left || bottom <= top; }
  // Right and bottom edges are outside.
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  bool operator==(const Rect &) const = default;
};

// x, y, width, height.
struct Box {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const Box &) const = default;
};

namespace layout {
inline constexpr int kButtonWidth = 200;
inline constexpr int kButtonTop = 215;
inline constexpr int kButtonBottom = 262;
inline constexpr int kCloseMargin = 10;
inline constexpr int kCloseTop = 8;
inline constexpr int kTrackX = 30;
inline constexpr int kTrackY = 125;
inline constexpr int kTrackHeight = 38;
inline constexpr int kTextInset = 50;
inline constexpr int kNineSliceCorner = 8;
}  // namespace layout

inline Rect StartControlRect(int w) {
  const int left = (w - layout::kButtonWidth) / 2;
  return {left, layout::kButtonTop, left + layout::kButtonWidth, layout::kButtonBottom};
}

inline Rect CloseControlRect(int w, int closeWidth, int closeHeight) {
  return {w - closeWidth - layout::kCloseMargin, layout::kCloseTop, w - layout::kCloseMargin,
          closeHeight + layout::kCloseTop};
}

// The track leaves kTrackX free on both sides.
inline Box TrackBox(int w) { return {layout::kTrackX, layout::kTrackY, w - 2 * layout::kTrackX, layout::kTrackHeight}; }

// The part of the track that shownProgress (fifths of a percent) fills.
inline Box FillBox(int w, int shownProgress) {
  Box fill = TrackBox(w);
  fill.width = fill.width * shownProgress / 500;
  return fill;
}

inline Rect StatusLineEnRect(int w) { return {layout::kTextInset, 55, w - layout::kTextInset, 85}; }
inline Rect StatusLineCnRect(int w) { return {layout::kTextInset, 85, w - layout::kTextInset, 115}; }

// The captions: English in the upper half of the start control, Chinese in
// the lower.
inline Rect CaptionEnRect(const Rect &button) {
  return {button.left, button.top, button.right, button.top + button.Height() / 2};
}
inline Rect CaptionCnRect(const Rect &button) {
  return {button.left, button.top + button.Height() / 2, button.right, button.bottom};
}

// The finished mark at its own size, centred in the start control.
inline Box FinishedMarkBox(const Rect &button, int markWidth, int markHeight) {
  return {button.left + (button.Width() - markWidth) / 2, button.top + (button.Height() - markHeight) / 2,
          markWidth, markHeight};
}

struct NineSlicePart {
  Box destination;
  Box source;
};

// The nine parts of an a x b image stretched into r with 8-pixel corners
// kept: corners, edges and centre, in drawing order.
inline std::array<NineSlicePart, 9> NineSliceParts(int a, int b, const Rect &r) {
  constexpr int c = layout::kNineSliceCorner;
  const int L = r.left, T = r.top, R = r.right, B = r.bottom;
  return {{
      {{L, T, c, c}, {0, 0, c, c}},                                   // top left
      {{L, T + c, c, B - T - 2 * c}, {0, c, c, b - 2 * c}},           // left edge
      {{L, B - c, c, c}, {0, b - c, c, c}},                           // bottom left
      {{L + c, T, R - L - 2 * c, c}, {c, 0, a - 2 * c, c}},           // top edge
      {{R - c, T, c, c}, {a - c, 0, c, c}},                           // top right
      {{R - c, T + c, c, B - T - 2 * c}, {a - c, c, c, b - 2 * c}},   // right edge
      {{R - c, B - c, c, c}, {a - c, b - c, c, c}},                   // bottom right
      {{L + c, B - c, R - L - 2 * c, c}, {c, b - c, a - 2 * c, c}},   // bottom edge
      {{L + c, T + c, R - L - 2 * c, B - T - 2 * c}, {c, c, a - 2 * c, b - 2 * c}},  // centre
  }};
}

}  // namespace kvn::app
