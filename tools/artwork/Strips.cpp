// The two frame strips drawn from the tone generator itself: the
// connection diagrams from its structure table and the waves from its wave
// memory, decoded through its own exponential table.
#include "engine/SynthesizerFM4.h"
#include "tonegen/FmStructures.h"
#include "tonegen/SoundData.h"
#include "tonegen/VoiceTableSet.h"
#include "tools/artwork/Artwork.h"
#include "tools/artwork/Panel.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace ovri::korvane::artwork {

using namespace palette;
using synth::FmStructure;
using synth::kFmStructures;

namespace {

// A display face: the light window colours, edge to edge.
void displayFace(Canvas& c, Box b) {
  c.fillVertical(b, kWindowTop, kWindowBottom);
  c.hline(b.x, b.x + b.w, b.y, Colour{166, 161, 188});
}

constexpr Colour kFaint{150, 145, 172};  // guide lines on a display

// ---- Connection diagrams -------------------------------------------------
//
// Signal flows left to right: carriers in the right-most column feed an
// output bus, each modulator sits one column left of the furthest operator
// it reaches. Boxes are 13 x 11 pixels; carriers are solid, modulators
// outlined.

constexpr int kBoxW = 13;
constexpr int kBoxH = 11;
constexpr int kColumnPitch = 20;  // box + 7 pixels of arrow
constexpr int kRowPitch = 13;     // box + 2 pixels
constexpr int kCentre = 29;       // four stacked boxes: 4..53, feedback above at 1
constexpr int kLegendTop = 58;    // the LFO line under the graph

struct Placed {
  int x = 0, top = 0;  // box position within the frame
  int mid() const { return top + kBoxH / 2; }
};

// Operators reached by op's output.
std::vector<int> targetsOf(const FmStructure& s, int op) {
  std::vector<int> t;
  for (int j = 0; j < 4; ++j)
    if ((s.inputs[j] >> op) & 1u) t.push_back(j);
  return t;
}

// Column of each operator counted from the output: carriers 0, a modulator
// one more than the furthest of its targets.
int levelOf(const FmStructure& s, int op) {
  if ((s.carriers >> op) & 1u) return 0;
  int level = 0;
  for (int t : targetsOf(s, op)) level = std::max(level, 1 + levelOf(s, t));
  return level;
}

void layout(const FmStructure& s, Placed (&at)[4], int& columns, int& busX) {
  int level[4];
  columns = 0;
  for (int op = 0; op < 4; ++op) {
    level[op] = levelOf(s, op);
    columns = std::max(columns, level[op] + 1);
  }
  const int width = columns * kColumnPitch - 7 + 4 + 8;  // boxes, bus gap, output arrow
  const int left = (kAlgoFrameWidth - width) / 2 + 1;
  busX = left + (columns - 1) * kColumnPitch + kBoxW + 3;
  for (int op = 0; op < 4; ++op) at[op].x = left + (columns - 1 - level[op]) * kColumnPitch;

  // Vertical: carriers stacked about the centre; each modulator column
  // placed at the mean height of its targets, then spread apart.
  for (int l = 0; l < columns; ++l) {
    struct Want {
      int op;
      double mid;
      bool fed;
    };
    std::vector<Want> wants;
    for (int op = 0; op < 4; ++op) {
      if (level[op] != l) continue;
      double mid = kCentre;
      const std::vector<int> t = targetsOf(s, op);
      if (l > 0 && !t.empty()) {
        mid = 0;
        for (int j : t) mid += at[j].mid();
        mid /= static_cast<double>(t.size());
      }
      wants.push_back({op, mid, s.inputs[op] != 0});
    }
    // Ties: an operator that is itself modulated goes on top, so its own
    // modulator can sit level with it.
    std::stable_sort(wants.begin(), wants.end(), [](const Want& a, const Want& b) {
      if (a.mid != b.mid) return a.mid < b.mid;
      return a.fed && !b.fed;
    });
    double wanted = 0;
    for (const Want& w : wants) wanted += w.mid;
    wanted /= static_cast<double>(wants.size());
    const int n = static_cast<int>(wants.size());
    // Spread at the row pitch around the mean of the wishes, unless the
    // wishes are already far enough apart.
    bool apart = true;
    for (int i = 1; i < n; ++i) apart = apart && wants[i].mid - wants[i - 1].mid >= kRowPitch;
    for (int i = 0; i < n; ++i) {
      const double mid = apart ? wants[i].mid : wanted + (i - (n - 1) / 2.0) * kRowPitch;
      at[wants[i].op].top = static_cast<int>(std::floor(mid - kBoxH / 2.0 + 0.5));
    }
  }
}

void arrowHead(Canvas& c, int tipX, int y, Colour ink) {
  // A 3-pixel head pointing right, its tip in column tipX.
  c.vline(tipX - 2, y - 2, y + 3, ink);
  c.vline(tipX - 1, y - 1, y + 2, ink);
  c.vline(tipX, y, y + 1, ink);
}

void drawBox(Canvas& c, const Placed& p, int op, bool carrier, int oy) {
  const Box b{double(p.x), double(oy + p.top), kBoxW, kBoxH};
  const TextStyle digit{9.0, true};
  if (carrier) {
    c.fill(b, kInk);
    c.text(b, std::to_string(op), digit, kWindowTop, Align::Centre);
  } else {
    c.fill(b, Colour{226, 223, 236});
    c.frame(b, kInk);
    c.text(b, std::to_string(op), digit, kInk, Align::Centre);
  }
}

void drawDiagram(Canvas& c, int structure, bool amplitudeLfo, int oy) {
  const FmStructure& s = kFmStructures[structure];
  Placed at[4];
  int columns = 0, busX = 0;
  layout(s, at, columns, busX);

  // Modulation paths: right edge of the source to the left edge of the
  // target, bending in the column just before the target.
  for (int dst = 0; dst < 4; ++dst) {
    for (int src = 0; src < 4; ++src) {
      if (((s.inputs[dst] >> src) & 1u) == 0) continue;
      const int sx = at[src].x + kBoxW, sy = oy + at[src].mid();
      const int tx = at[dst].x - 1, ty = oy + at[dst].mid();
      const int jx = at[dst].x - 4;
      c.hline(sx, jx + 1, sy, kInk);
      c.vline(jx, std::min(sy, ty), std::max(sy, ty) + 1, kInk);
      c.hline(jx, tx + 1, ty, kInk);
      arrowHead(c, tx, ty, kInk);
    }
  }

  // Operator 0's feedback: out of its right edge, round the box, back in at
  // its left; above it when it is the top box of its column, else below.
  {
    const Placed& p = at[0];
    bool above = true;
    for (int op = 1; op < 4; ++op)
      if (at[op].x == p.x && at[op].top < p.top) above = false;
    const int loopY = oy + (above ? p.top - 3 : p.top + kBoxH + 2);
    const int mid = oy + p.mid();
    const int rx = p.x + kBoxW + 1, lx = p.x - 3;
    c.hline(p.x + kBoxW, rx + 1, mid, kInk);
    c.vline(rx, std::min(loopY, mid), std::max(loopY, mid) + 1, kInk);
    c.hline(lx, rx + 1, loopY, kInk);
    c.vline(lx, std::min(loopY, mid), std::max(loopY, mid) + 1, kInk);
    c.hline(lx, p.x, mid, kInk);
    arrowHead(c, p.x - 1, mid, kInk);
  }

  // Carriers to the output bus, then one arrow out.
  int busTop = oy + kAlgoFrameHeight, busBottom = oy;
  for (int op = 0; op < 4; ++op) {
    if (((s.carriers >> op) & 1u) == 0) continue;
    const int y = oy + at[op].mid();
    c.hline(at[op].x + kBoxW, busX + 1, y, kInk);
    busTop = std::min(busTop, y);
    busBottom = std::max(busBottom, y);
  }
  c.vline(busX, busTop, busBottom + 1, kInk);
  const int outY = (busTop + busBottom) / 2;
  c.hline(busX, busX + 8, outY, kInk);
  arrowHead(c, busX + 8, outY, kInk);

  for (int op = 0; op < 4; ++op) drawBox(c, at[op], op, ((s.carriers >> op) & 1u) != 0, oy);

  // What the LFO moves: every operator's pitch, or every operator's level.
  // The level form is printed inverted, so the two sets tell apart at a
  // glance.
  const int ly = oy + kLegendTop;
  const Colour ink = amplitudeLfo ? kWindowTop : kInk;
  if (amplitudeLfo)
    c.fill(Box{3, double(ly - 1), kAlgoFrameWidth - 6, 12}, kInk);
  else
    for (int x = 4; x < kAlgoFrameWidth - 4; x += 2) c.hline(x, x + 1, ly - 2, kFaint);
  const TextStyle small{8.0, true, 0.4};
  const TextStyle smallRegular{8.0, false, 0.4};
  c.text(Box{7, double(ly), 80, 10}, "LFO", small, ink);
  const int ax = 7 + static_cast<int>(c.textWidth("LFO", small)) + 3;
  c.hline(ax, ax + 6, ly + 5, ink);
  arrowHead(c, ax + 6, ly + 5, ink);
  c.text(Box{ax + 10.0, double(ly), 60, 10}, amplitudeLfo ? "LEVEL (AM)" : "PITCH (PM)", smallRegular, ink);
}

}  // namespace

// algo.png: frames 0-7 the structures with the LFO on pitch, frames 8-15
// the same structures with the LFO on level.
void drawAlgorithms(Canvas& c) {
  for (int f = 0; f < 16; ++f) {
    const int oy = f * kAlgoFrameHeight;
    displayFace(c, Box{0, double(oy), kAlgoFrameWidth, kAlgoFrameHeight});
    drawDiagram(c, f & 7, f >= 8, oy);
  }
}

// wave.png: frame n is wave n of the wave memory, one period, each entry's
// logSample code decoded to -1..1 through the voices' own table.
void drawWaves(Canvas& c) {
  std::vector<int32_t> memory(synth::kWaveMemorySize);
  synth::buildWaveMemory(memory.data());
  synth::VoiceTableSet tables;
  const float* exp = tables.expTableF();

  constexpr double kLeft = 4, kRight = kWaveFrameWidth - 4;
  constexpr double kAmplitude = 7;
  cairo_t* cr = c.context();
  for (int n = 0; n < synth::kWaveCount; ++n) {
    const double oy = n * kWaveFrameHeight;
    displayFace(c, Box{0, oy, kWaveFrameWidth, kWaveFrameHeight});
    const double mid = oy + kWaveFrameHeight / 2;
    for (int x = 2; x < kWaveFrameWidth - 2; x += 2) c.hline(x, x + 1, mid, kFaint);
    const int32_t* wave = memory.data() + n * synth::kWaveLength;
    cairo_new_path(cr);
    for (int j = 0; j <= synth::kWaveLength; j += 4) {
      const double v = exp[wave[j % synth::kWaveLength]];
      const double x = kLeft + (kRight - kLeft) * j / synth::kWaveLength;
      cairo_line_to(cr, x, mid + 0.5 - v * kAmplitude);
    }
    c.setSource(kInk);
    cairo_set_line_width(cr, 1.3);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
  }
}

}  // namespace ovri::korvane::artwork
