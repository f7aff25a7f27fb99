#pragma once

#include "tools/artwork/Canvas.h"

namespace ovri::korvane::artwork {

// One picture of the editor: its file name, its size at 100 % and the
// routine that draws it in layout pixels.
struct Picture {
  const char* name;
  int width, height;
  void (*draw)(Canvas&);
};

void drawTopArea(Canvas& c);      // bg0.png
void drawTonePage(Canvas& c);     // bg1.png
void drawSamplerPage(Canvas& c);  // bg2.png
void drawLogo(Canvas& c);         // logo.png, two states
void drawLibraryLogo(Canvas& c);  // libLogo.png, two states, with alpha
void drawMenuButton(Canvas& c);   // menu.png, lit and dim
void drawHandle(Canvas& c);       // knob0.png
void drawAlgorithms(Canvas& c);   // algo.png, 16 frames
void drawWaves(Canvas& c);        // wave.png, 8 frames

constexpr Picture kPictures[] = {
  {"bg0", 784, 192, drawTopArea},
  {"bg1", 784, 440, drawTonePage},
  {"bg2", 784, 440, drawSamplerPage},
  {"logo", 784, 92, drawLogo},
  {"libLogo", 260, 700, drawLibraryLogo},
  {"menu", 28, 40, drawMenuButton},
  {"knob0", 10, 22, drawHandle},
  {"algo", 94, 1120, drawAlgorithms},
  {"wave", 60, 160, drawWaves},
};

// Frame sizes of the strips.
constexpr int kAlgoFrameWidth = 94;
constexpr int kAlgoFrameHeight = 70;
constexpr int kWaveFrameWidth = 60;
constexpr int kWaveFrameHeight = 20;

}  // namespace ovri::korvane::artwork
