// The pictures the build draws for the editor, read back as the editor
// would load them: sizes, transparency, distinct frames, and controls that
// land on their windows.
#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

// One decoded PNG, pixels as premultiplied ARGB words.
class Image {
public:
  explicit Image(const std::string& name)
      : surface_(cairo_image_surface_create_from_png((std::string(KORVANE_EDITOR_ARTWORK_DIR) + "/" + name).c_str()),
                 cairo_surface_destroy) {}
  bool ok() const { return cairo_surface_status(surface_.get()) == CAIRO_STATUS_SUCCESS; }
  int width() const { return cairo_image_surface_get_width(surface_.get()); }
  int height() const { return cairo_image_surface_get_height(surface_.get()); }
  bool hasAlpha() const { return cairo_image_surface_get_format(surface_.get()) == CAIRO_FORMAT_ARGB32; }
  uint32_t at(int x, int y) const {
    const unsigned char* row = cairo_image_surface_get_data(surface_.get()) + y * cairo_image_surface_get_stride(surface_.get());
    uint32_t p;
    std::memcpy(&p, row + 4 * x, 4);
    return p;
  }
  int alpha(int x, int y) const { return at(x, y) >> 24; }
  int luma(int x, int y) const {  // 0..255, opaque pixels
    const uint32_t p = at(x, y);
    return (((p >> 16) & 255) * 3 + ((p >> 8) & 255) * 6 + (p & 255)) / 10;
  }
  // Rows [y0, y0 + h) of two frames are the same.
  bool sameRows(int y0, int y1, int h) const {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < width(); ++x)
        if (at(x, y0 + y) != at(x, y1 + y)) return false;
    return true;
  }

private:
  std::unique_ptr<cairo_surface_t, void (*)(cairo_surface_t*)> surface_;
};

struct Expected {
  const char* name;
  int width, height;
  int frames;  // states or frames stacked vertically
  bool alpha;  // has transparent pixels
};

constexpr Expected kExpected[] = {
  {"bg0", 784, 192, 1, false},    {"bg1", 784, 440, 1, false},    {"bg2", 784, 440, 1, false},
  {"logo", 784, 92, 2, false},    {"libLogo", 260, 700, 2, true}, {"menu", 28, 40, 2, true},
  {"knob0", 10, 22, 1, true},     {"algo", 94, 1120, 16, false},  {"wave", 60, 160, 8, false},
};

TEST(EditorArtwork, EveryPictureHasItsSizeAndADoubleSizeTwin) {
  for (const Expected& e : kExpected) {
    SCOPED_TRACE(e.name);
    const Image one(std::string(e.name) + ".png");
    const Image two(std::string(e.name) + "@2x.png");
    ASSERT_TRUE(one.ok());
    ASSERT_TRUE(two.ok());
    EXPECT_EQ(one.width(), e.width);
    EXPECT_EQ(one.height(), e.height);
    EXPECT_EQ(two.width(), 2 * e.width);
    EXPECT_EQ(two.height(), 2 * e.height);
  }
}

// The @2x pictures are the same drawing at twice the resolution: reduced to
// 100 % they match the 100 % pictures but for antialiasing and hinting.
TEST(EditorArtwork, DoubleSizePicturesKeepTheLayout) {
  for (const Expected& e : kExpected) {
    SCOPED_TRACE(e.name);
    const Image one(std::string(e.name) + ".png");
    const Image two(std::string(e.name) + "@2x.png");
    ASSERT_EQ(two.width(), 2 * one.width());
    long difference = 0;
    for (int y = 0; y < one.height(); ++y)
      for (int x = 0; x < one.width(); ++x) {
        const int reduced = (two.luma(2 * x, 2 * y) + two.luma(2 * x + 1, 2 * y) + two.luma(2 * x, 2 * y + 1) +
                             two.luma(2 * x + 1, 2 * y + 1)) / 4;
        difference += std::abs(reduced - one.luma(x, y));
      }
    EXPECT_LT(difference / (one.width() * one.height()), 6);
  }
}

TEST(EditorArtwork, OnlyTheLogosButtonAndHandleLetTheBackgroundThrough) {
  for (const Expected& e : kExpected) {
    SCOPED_TRACE(e.name);
    const Image img(std::string(e.name) + ".png");
    ASSERT_TRUE(img.ok());
    bool opaque = true;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) opaque = opaque && img.alpha(x, y) == 255;
    EXPECT_EQ(opaque, !e.alpha);
    if (e.alpha) {
      EXPECT_LT(img.alpha(0, 0), 128);  // rounded corners
    }
  }
  // The library logo is a card: transparent corners, solid middle.
  const Image lib("libLogo.png");
  EXPECT_EQ(lib.alpha(0, 0), 0);
  EXPECT_EQ(lib.alpha(259, 349), 0);
  EXPECT_EQ(lib.alpha(130, 175), 255);
}

TEST(EditorArtwork, EveryFrameAndStateLooksDifferent) {
  for (const Expected& e : kExpected) {
    if (e.frames < 2) continue;
    SCOPED_TRACE(e.name);
    const Image img(std::string(e.name) + ".png");
    const int h = e.height / e.frames;
    for (int a = 0; a < e.frames; ++a)
      for (int b = a + 1; b < e.frames; ++b) EXPECT_FALSE(img.sameRows(a * h, b * h, h)) << a << " vs " << b;
  }
}

// Frames 8-15 are frames 0-7 with the LFO on level instead of pitch: the
// connection graph (everything above the legend) is the same.
TEST(EditorArtwork, AmplitudeFormsShowTheSameConnections) {
  const Image algo("algo.png");
  constexpr int kGraphRows = 55;
  for (int s = 0; s < 8; ++s) EXPECT_TRUE(algo.sameRows(s * 70, (s + 8) * 70, kGraphRows)) << "structure " << s;
}

// A wave frame's right half is flat for the waves silent over their second
// half (1, 3, 4) and not for the others: the frames follow the wave memory.
TEST(EditorArtwork, WaveFramesFollowTheWaveMemory) {
  const Image wave("wave.png");
  for (int n = 0; n < 8; ++n) {
    int inkOffCentre = 0;
    for (int y = 0; y < 20; ++y)
      for (int x = 34; x < 54; ++x)
        if (y != 10 && wave.luma(x, n * 20 + y) < 120) ++inkOffCentre;
    const bool silentSecondHalf = n == 1 || n == 3 || n == 4;
    EXPECT_EQ(inkOffCentre == 0, silentSecondHalf) << "wave " << n;
  }
}

// Text boxes, menus and read-outs write dark text on a transparent back:
// each must land on a light window, and its caption cell stay dark.
TEST(EditorArtwork, ControlsLandOnLightWindowsBesideDarkCaptions) {
  struct Control {
    const char* picture;
    int x, y, c, w;  // the editor's factory arguments
  };
  constexpr Control kControls[] = {
    {"bg0.png", 8, 72, 98, 36},     {"bg0.png", 264, 72, 98, 36},   {"bg0.png", 8, 120, 96, 142},
    {"bg0.png", 264, 120, 96, 142}, {"bg0.png", 520, 120, 96, 64},  {"bg0.png", 520, 168, 96, 64},
    {"bg1.png", 8, 24, 96, 64},     {"bg1.png", 264, 24, 96, 160},  {"bg1.png", 8, 72, 96, 64},
    {"bg1.png", 264, 72, 96, 160},  {"bg1.png", 520, 48, 96, 64},   {"bg1.png", 104, 168, 0, 64},
    {"bg1.png", 607, 408, 0, 73},   {"bg2.png", 520, 24, 96, 160},  {"bg2.png", 264, 120, 96, 64},
    {"bg2.png", 8, 168, 96, 64},    {"bg2.png", 8, 312, 128, 128},  {"bg2.png", 264, 216, 128, 96},
  };
  for (const Control& k : kControls) {
    SCOPED_TRACE(std::string(k.picture) + " " + std::to_string(k.x) + "," + std::to_string(k.y));
    const Image img(k.picture);
    const int left = k.x + k.c + 1, top = k.y + 1;
    EXPECT_GT(img.luma(left + k.w / 2, top + 11), 150);
    EXPECT_GT(img.luma(left + 4, top + 4), 150);
    EXPECT_GT(img.luma(left + k.w - 4, top + 18), 150);
    if (k.c > 0) {
      EXPECT_LT(img.luma(k.x + 2, top + 2), 60);
    }
  }
}

}  // namespace
