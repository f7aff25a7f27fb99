#pragma once

#include "tools/artwork/Canvas.h"

#include <string>

namespace ovri::korvane::artwork {

// The editor's palette: a near-black panel, grey-violet rules and captions,
// and light display windows on which the controls' dark violet text
// (63, 56, 82) reads well.
namespace palette {
constexpr Colour kFill{23, 23, 23};
constexpr Colour kBand{31, 30, 36};        // a control row
constexpr Colour kBandTop{41, 39, 49};     // its top highlight
constexpr Colour kBandBottom{15, 15, 17};  // its bottom shadow
constexpr Colour kRule{92, 86, 114};       // grey-violet lines
constexpr Colour kCaption{176, 170, 200};  // grey-violet captions
constexpr Colour kDimCaption{120, 114, 142};
constexpr Colour kTitle{222, 218, 236};
constexpr Colour kTitleTop{54, 49, 70};
constexpr Colour kTitleBottom{37, 34, 48};
constexpr Colour kAccent{148, 128, 206};   // violet accent
constexpr Colour kWindowTop{210, 206, 224};  // display window
constexpr Colour kWindowBottom{188, 184, 206};
constexpr Colour kWindowEdge{11, 10, 14};
constexpr Colour kInk{63, 56, 82};          // the controls' text colour
constexpr Colour kGroove{9, 9, 11};
constexpr Colour kGrooveLight{58, 55, 70};
}  // namespace palette

namespace typeface {
constexpr TextStyle kCaption{11.0};
constexpr TextStyle kUnit{10.0};
constexpr TextStyle kTitle{10.5, true, 1.2};
}  // namespace typeface

// One editor row is 24 pixels: controls sit at y + 1 with a height of 22.
constexpr int kRowHeight = 24;
constexpr int kControlHeight = 22;
constexpr int kHandleWidth = 10;  // the slider handle, knob0.png

// Pieces of the backgrounds, placed with the arguments of the editor's
// control factories (row origin x, y, caption width c, control width w):
// a control lies at x + c + 1, y + 1, and its caption cell is x..x + c.

// The shaded strip of a row from x0 to x1 (exclusive).
void rowBand(Canvas& c, int x0, int x1, int y, int rows = 1);
// A caption, left in the caption cell x..x + c of row y.
void caption(Canvas& c, int x, int y, int cw, const std::string& text);
// A caption in an arbitrary cell, vertically centred.
void captionIn(Canvas& c, Box cell, const std::string& text, Align align = Align::Left);
// The light window under a text box, option menu or label.
void valueWindow(Canvas& c, int x, int y, int cw, int w);
void window(Canvas& c, Box b);
// The groove a slider handle travels along (handle travel w).
void sliderTrack(Canvas& c, int x, int y, int cw, int w);
// A unit ("dB", "Hz") in the cell x0..x1 of row y.
void unit(Canvas& c, int x0, int x1, int y, const std::string& text);
// A title row y0..y1 (inclusive) from x0 to x1 (exclusive). With a menu
// button (28 pixels at x0 + 0) the title starts after it.
void titleRow(Canvas& c, int x0, int x1, int y0, int y1, const std::string& title, bool menuButton);

}  // namespace ovri::korvane::artwork
