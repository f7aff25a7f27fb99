// The three page backgrounds. Every caption sits in the cell the editor's
// factories leave for it (see Panel.h), so the numbers below are the
// controls' own row origins, caption widths and widths.
#include "tools/artwork/Artwork.h"
#include "tools/artwork/Panel.h"

namespace ovri::korvane::artwork {

using namespace palette;

namespace {

constexpr int kColumn[3] = {8, 264, 520};  // the three columns of a block
constexpr int kColumnWidth = 255;           // one panel pixel between columns
constexpr int kRight = 776;

// Caption widths and widths of the common row: caption, box, slider.
constexpr int kSliderCaption = 160;
constexpr int kSliderTravel = 84;
constexpr int kBoxCaption = 96;
constexpr int kBoxWidth = 64;

void background(Canvas& c) {
  c.fill(Box{0, 0, double(c.width()), double(c.height())}, kFill);
}

// The common row: caption, numeric box, slider.
void sliderRow(Canvas& c, int x, int y, const char* text) {
  rowBand(c, x, x + kColumnWidth, y);
  caption(c, x, y, kBoxCaption, text);
  valueWindow(c, x, y, kBoxCaption, kBoxWidth);
  sliderTrack(c, x, y, kSliderCaption, kSliderTravel);
}

// A caption with one wide window (names, lists, read-outs).
void windowRow(Canvas& c, int x, int y, int cw, int w, const char* text) {
  rowBand(c, x, x + kColumnWidth, y);
  caption(c, x, y, cw, text);
  valueWindow(c, x, y, cw, w);
}

// The drop-down mark of a list, at the right end of its window (the
// list's text is centred, so the end stays free).
void dropMark(Canvas& c, int x, int y, int cw, int w) {
  const int cx = x + cw + w - 9;
  const int cy = y + 11;
  for (int i = 0; i < 4; ++i) c.hline(cx - 3 + i, cx + 4 - i, cy + i, kInk);
}

// A rim around a picture the editor places at left, top (w x h).
void pictureRim(Canvas& c, int left, int top, int w, int h) {
  c.frame(Box{left - 1.0, top - 1.0, w + 2.0, h + 2.0}, kWindowEdge);
  c.frame(Box{left - 2.0, top - 2.0, w + 4.0, h + 4.0}, kBandTop);
}

}  // namespace

// bg0.png, 784 x 192: the system block (title 48-70, one row at 72) and the
// part block (title 96-118, rows 120, 144, 168). The logo button covers
// y 0-45.
void drawTopArea(Canvas& c) {
  background(c);
  c.fillVertical(Box{0, 0, 784, 46}, Colour{38, 35, 48}, Colour{20, 19, 24});

  titleRow(c, 8, kRight, 48, 70, "SYSTEM", true);
  // Master volume: box c 98 w 36, then the unit, then the slider.
  rowBand(c, kColumn[0], kColumn[0] + kColumnWidth, 72);
  caption(c, kColumn[0], 72, 98, "Main Volume");
  valueWindow(c, kColumn[0], 72, 98, 36);
  unit(c, kColumn[0] + 98 + 37, kColumn[0] + kSliderCaption + 1, 72, "dB");
  sliderTrack(c, kColumn[0], 72, kSliderCaption, kSliderTravel);
  rowBand(c, kColumn[1], kColumn[1] + kColumnWidth, 72);
  caption(c, kColumn[1], 72, 98, "Reference Pitch");
  valueWindow(c, kColumn[1], 72, 98, 36);
  unit(c, kColumn[1] + 98 + 37, kColumn[1] + kSliderCaption + 1, 72, "Hz");
  sliderTrack(c, kColumn[1], 72, kSliderCaption, kSliderTravel);

  titleRow(c, 8, kRight, 96, 118, "PART", true);
  // Part and mode are drop-down lists 142 wide.
  windowRow(c, kColumn[0], 120, kBoxCaption, 142, "Part");
  windowRow(c, kColumn[1], 120, kBoxCaption, 142, "Mode");
  dropMark(c, kColumn[0], 120, kBoxCaption, 142);
  dropMark(c, kColumn[1], 120, kBoxCaption, 142);
  sliderRow(c, kColumn[2], 120, "Program");
  sliderRow(c, kColumn[0], 144, "Pitch Bend");
  sliderRow(c, kColumn[1], 144, "Bend Range");
  sliderRow(c, kColumn[2], 144, "Modulation");
  sliderRow(c, kColumn[0], 168, "Volume");
  sliderRow(c, kColumn[1], 168, "Expression");
  sliderRow(c, kColumn[2], 168, "Pan");
}

// bg1.png, 784 x 440: the tone header (title 0-22, rows 24-119) and the
// four operator columns (title 120-142, twelve rows from 144).
void drawTonePage(Canvas& c) {
  background(c);
  titleRow(c, 8, kRight, 0, 22, "TONE", true);

  // Left column: preset number; the structure cell over rows 48-95 with
  // its box at 72, its slider at 96 (caption width 0) and the algorithm
  // picture at 169, 49.
  sliderRow(c, kColumn[0], 24, "Preset No.");
  rowBand(c, kColumn[0], kColumn[0] + kColumnWidth, 48, 3);
  captionIn(c, Box{double(kColumn[0]), 48, double(kBoxCaption), 47}, "Structure");
  c.text(Box{kColumn[0] + kBoxCaption + 1.0, 49, double(kBoxWidth), 22}, "0 - 15", typeface::kUnit,
         kDimCaption, Align::Centre);
  valueWindow(c, kColumn[0], 72, kBoxCaption, kBoxWidth);
  sliderTrack(c, kColumn[0], 96, 0, kSliderTravel);
  pictureRim(c, 169, 49, kAlgoFrameWidth, kAlgoFrameHeight);

  windowRow(c, kColumn[1], 24, kBoxCaption, 160, "Tone Name");
  sliderRow(c, kColumn[1], 48, "Feedback");
  windowRow(c, kColumn[1], 72, kBoxCaption, 160, "LFO Wave");
  dropMark(c, kColumn[1], 72, kBoxCaption, 160);
  sliderRow(c, kColumn[1], 96, "LFO Freq");

  sliderRow(c, kColumn[2], 24, "Perc. Key");
  sliderRow(c, kColumn[2], 48, "Pan");

  // Operator columns: origin x, caption width (= box width).
  struct OperatorColumn {
    int x, cw;
  };
  constexpr OperatorColumn kOps[4] = {{104, 64}, {265, 73}, {436, 73}, {607, 73}};
  constexpr const char* kRows[12] = {"Wave", "Multiple", "Tune", "LFO Sens", "TL Velo", "TL",
                                     "AR",   "DR",       "SL",   "RR",       "KF",      "KF Start"};
  titleRow(c, 8, kRight, 120, 142, "", false);
  for (int j = 0; j < 4; ++j) {
    const int x0 = kOps[j].x;
    const int x1 = x0 + kOps[j].cw + kSliderTravel + 11;  // slider end + 1
    if (j > 0) c.vline(x0 - 1, 121, 142, Colour{23, 21, 30});
    c.fill(Box{x0 + 7.0, 127, 2, 10}, kAccent);
    c.text(Box{x0 + 14.0, 120, double(x1 - x0), 23}, "OPERATOR " + std::to_string(j), typeface::kTitle,
           kTitle);
  }
  for (int k = 0; k < 12; ++k) {
    const int y = 144 + kRowHeight * k;
    rowBand(c, 8, 103, y);
    caption(c, 8, y, 95, kRows[k]);
    for (int j = 0; j < 4; ++j) {
      const int x0 = kOps[j].x;
      rowBand(c, x0, x0 + kOps[j].cw + kSliderTravel + 11, y);
      if (k == 0)
        pictureRim(c, x0 + 1, y + 1, kWaveFrameWidth, kWaveFrameHeight);
      else
        valueWindow(c, x0, y, 0, kOps[j].cw);
      sliderTrack(c, x0, y, kOps[j].cw, kSliderTravel);
    }
  }
}

// bg2.png, 784 x 440: the sampler preset (title 0-22, rows 24-120) and the
// sample data (title 144-166, rows 168-312).
void drawSamplerPage(Canvas& c) {
  background(c);
  titleRow(c, 8, kRight, 0, 22, "SAMPLER PRESET", true);
  constexpr const char* kLeft[5] = {"Key No.", "Sample No.", "Octave", "Tune", "Pan"};
  constexpr const char* kMiddle[5] = {"TL", "AR", "DR", "SL", "RR"};
  for (int r = 0; r < 5; ++r) {
    sliderRow(c, kColumn[0], 24 + kRowHeight * r, kLeft[r]);
    sliderRow(c, kColumn[1], 24 + kRowHeight * r, kMiddle[r]);
  }
  windowRow(c, kColumn[2], 24, kBoxCaption, 160, "Name");

  titleRow(c, 8, kRight, 144, 166, "SAMPLE DATA", true);
  // Read-outs and point boxes have the caption width 128.
  constexpr int kDataCaption = 128;
  sliderRow(c, kColumn[0], 168, "Slot No.");
  constexpr const char* kPoints[6] = {"Frames", "Play Start", "Play End", "Loop Start", "Loop End", "Loopable"};
  for (int r = 0; r < 6; ++r) windowRow(c, kColumn[0], 192 + kRowHeight * r, kDataCaption, 127, kPoints[r]);
  windowRow(c, kColumn[1], 168, kDataCaption, 127, "Channels");
  windowRow(c, kColumn[1], 192, kDataCaption, 96, "Sample Rate");
  unit(c, kColumn[1] + kDataCaption + 97, kColumn[1] + kColumnWidth, 192, "Hz");
  windowRow(c, kColumn[1], 216, kDataCaption, 96, "Pitch");
  unit(c, kColumn[1] + kDataCaption + 97, kColumn[1] + kColumnWidth, 216, "Hz");
}

}  // namespace ovri::korvane::artwork
