// The 128 instrument programs of the factory bank, eight per family.
//
// Operator structures (strc), "a > b" = a modulates b, [n] = carrier;
// operator 0 always has its feedback fl:
//   0  [0] [1] [2] [3]          4  0 > 1, (1 + 2) > [3]
//   1  0 > [1]  [2]  [3]        5  1 > 2, (2 + 0) > [3]
//   2  0 > [1], [2], [3]        6  (0 + 1) > 2 > [3]
//   3  0 > [1]   2 > [3]        7  0 > 1 > 2 > [3]
// In 4..7 the end of operator 3 ends the note; in 0..3 the note ends when
// every operator has ended, so decaying modulators there fall to sl 127.
//
// Levels: a voice's carriers add up to about full scale at most, so that a
// four-note chord at velocity 100 stays below clipping; quieter carriers
// make room for more of them. The carrier levels were then set so that the
// loudest 100 ms of middle C at velocity 100 comes out near -21 dBFS for
// every program (noises a little lower, short hits as loud as their peak
// allows); tests/tools/factory holds the bank to that.
#include "tools/factory/FactoryToneDesign.h"

namespace ovri::korvane::factory {

namespace {
constexpr int32_t kVib = 5 * kLfoPerHz + kLfoPerHz / 2;  // 5.5 Hz vibrato
constexpr int32_t kSlowVib = 4 * kLfoPerHz;              // 4 Hz
constexpr int32_t kFastVib = 7 * kLfoPerHz;              // 7 Hz
}  // namespace

// clang-format off
const ToneDesign kInstrumentDesigns[kInstrumentCount] = {
//  operator columns:
//  mul  detune wave  tl   ar   dr   sl   rr kf kfs vel lms

// ---- 0-7 Pianos --------------------------------------------------------
// 3: 0 > [1], 2 > [3]. 0 x1 hammer brightness, fading a little faster than
// the string; 1 x1 string; 2 x14 strike click, gone within a few tenths of a
// second; 3 x1 string, a hair sharp.
{"Acoustic Piano  ", 3, 100, kLfoTriangle, kVib, {
  {  1,    0, kSin,  44, 127,  42, 127,  72, 1, 48, 5, 0},
  {  1,    0, kSin,   7, 127,  34, 127,  76, 1, 48, 2, 0},
  { 14,    0, kSin,  56, 127,  76, 127,  72, 1, 48, 5, 0},
  {  1,    6, kSin,   9, 127,  36, 127,  76, 1, 48, 2, 0}}},
// 3: two pairs, the second driven by x3 for a harder, forward attack.
{"Bright Piano    ", 3,  80, kLfoTriangle, kVib, {
  {  1,    0, kSin,  40, 127,  44, 127,  72, 1, 48, 5, 0},
  {  1,    0, kSin,   7, 127,  36, 127,  76, 1, 48, 2, 0},
  {  3,    0, kSin,  52, 127,  48, 127,  72, 1, 48, 5, 0},
  {  1,   -5, kSin,   9, 127,  38, 127,  76, 1, 48, 2, 0}}},
// 1: 0 > [1], [2], [3]. Fundamental pair, a thin half-sine octave and an
// x4 tine ping: the lean, wiry sound of a pickup grand.
{"Electric Grand  ", 1,  90, kLfoTriangle, kVib, {
  {  1,    0, kSin,  42, 127,  46, 127,  72, 1, 48, 5, 0},
  {  1,    0, kSin,   9, 127,  36, 127,  76, 1, 48, 2, 0},
  {  2,    3, kHlf,  16, 127,  40, 127,  76, 1, 48, 2, 0},
  {  4,   -3, kSin,  22, 127,  54, 127,  76, 1, 48, 3, 0}}},
// 3: two strings detuned +-25 (3.7 cents), hammered by x1 and x2: the
// beating of an old upright's unisons.
{"Honky Piano     ", 3,  96, kLfoTriangle, kVib, {
  {  1,    0, kSin,  46, 127,  44, 127,  72, 1, 48, 5, 0},
  {  1,   25, kSin,  10, 127,  36, 127,  76, 1, 48, 2, 0},
  {  2,    0, kSin,  50, 127,  48, 127,  72, 1, 48, 5, 0},
  {  1,  -25, kSin,  10, 127,  36, 127,  76, 1, 48, 2, 0}}},
// 3: 0 x1 soft body index; 2 x14 tine strike, velocity-hungry, over
// carrier 3: the struck-tine electric piano bark.
{"Tine E.Piano    ", 3, 110, kLfoTriangle, kVib, {
  {  1,    0, kSin,  54, 127,  40,  60,  72, 0, 48, 6, 0},
  {  1,    0, kSin,  11, 127,  32, 127,  72, 1, 48, 2, 0},
  { 14,    0, kSin,  46, 127,  70, 127,  72, 1, 48, 6, 0},
  {  1,    3, kSin,  14, 127,  44, 127,  72, 1, 48, 3, 0}}},
// 3: two gentle x1 pairs detuned +-40 (6 cents) for a built-in chorus;
// vibrato on the wheel.
{"Chorus E.Piano  ", 3, 105, kLfoTriangle, kSlowVib, {
  {  1,    0, kSin,  52, 127,  40,  60,  72, 0, 48, 5, 1},
  {  1,   40, kSin,  11, 127,  32, 127,  72, 1, 48, 2, 1},
  {  1,    0, kSin,  56, 127,  44, 127,  72, 0, 48, 5, 1},
  {  1,  -40, kSin,  11, 127,  32, 127,  72, 1, 48, 2, 1}}},
// 4: 0 > 1, (1 + 2) > [3]. x3 and x5 modulators at high index on a single
// string: bright, quill-plucked, no velocity to speak of.
{"Harpsichord     ", 4,  80, kLfoTriangle, kVib, {
  {  3,    0, kSin,  56, 127,  52,  30,  72, 1, 48, 1, 0},
  {  1,    0, kSin,  44, 127,  50,  20,  72, 1, 48, 1, 0},
  {  5,    0, kSin,  52, 127,  52,  30,  72, 1, 48, 1, 0},
  {  1,    0, kSin,   5, 127,  42, 127,  70, 1, 48, 0, 0}}},
// 1: a growling x1 pair plus a half-sine x3 and square x2: the nasal
// snap of a clavinet, decaying quickly.
{"Clavi Funk      ", 1,  64, kLfoTriangle, kVib, {
  {  1,    0, kSin,  40, 127,  54,  30,  80, 1, 48, 4, 0},
  {  1,    0, kSin,   4, 127,  46, 127,  80, 1, 48, 2, 0},
  {  3,    0, kHlf,  14, 127,  50, 127,  80, 1, 48, 3, 0},
  {  2,    0, kSqr,  24, 127,  56, 127,  80, 1, 48, 3, 0}}},

// ---- 8-15 Chromatic percussion -----------------------------------------
// 3: soft x4 shimmer on the fundamental, and a near-pure octave.
{"Celesta         ", 3, 120, kLfoTriangle, kVib, {
  {  4,    0, kSin,  54, 127,  52, 127,  70, 1, 48, 5, 0},
  {  1,    0, kSin,   6, 127,  42, 127,  72, 1, 48, 2, 0},
  {  1,    0, kSin,  58, 127,  50, 127,  70, 1, 48, 5, 0},
  {  2,    0, kSin,  12, 127,  46, 127,  72, 1, 48, 2, 0}}},
// 3: an octave-up bar (x2) struck by x7 (a 3.5 ratio), and an x5 partial
// rung by x11: glassy, high and long.
{"Glockenspiel    ", 3, 127, kLfoTriangle, kVib, {
  {  7,-8192, kSin,  50, 127,  54, 127,  64, 1, 48, 5, 0},
  {  2,    0, kSin,   6, 127,  40, 127,  66, 1, 48, 1, 0},
  { 11,    0, kSin,  58, 127,  60, 127,  64, 1, 48, 5, 0},
  {  5,    0, kSin,  14, 127,  46, 127,  66, 1, 48, 1, 0}}},
// 3: octave tine with a faint x1 index, plus an inharmonic x6.4 partial
// (x7, detune -1000) that fades first.
{"Music Box       ", 3, 110, kLfoTriangle, kVib, {
  {  1,    0, kSin,  60, 127,  48, 127,  64, 1, 48, 4, 0},
  {  2,    0, kSin,   5, 127,  42, 127,  64, 1, 48, 2, 0},
  {  3,    0, kSin,  54, 127,  66, 127,  64, 1, 48, 4, 0},
  {  7,-1000, kSin,  18, 127,  54, 127,  64, 1, 48, 2, 0}}},
// 3: fundamental with a faint x4 index, plus the bar's x4 partial;
// long decay, wheel vibrato stands in for the motor.
{"Vibraphone      ", 3, 127, kLfoTriangle, kVib, {
  {  4,    0, kSin,  60, 127,  52, 127,  72, 1, 48, 5, 1},
  {  1,    0, kSin,   6, 127,  36, 127,  70, 1, 48, 2, 1},
  {  1,    0, kSin,  66, 127,  50, 127,  72, 1, 48, 5, 1},
  {  4,    0, kSin,  20, 127,  50, 127,  70, 1, 48, 2, 1}}},
// 3: woody x1 body with a short x10 knock, and the bar's x4 partial
// dying fast.
{"Marimba         ", 3, 100, kLfoTriangle, kVib, {
  {  1,    0, kSin,  56, 127,  66, 127,  70, 1, 48, 5, 0},
  {  1,    0, kSin,   4, 127,  50, 127,  72, 1, 48, 2, 0},
  { 10,    0, kSin,  54, 127,  80, 127,  70, 1, 48, 5, 0},
  {  4,    0, kSin,  16, 127,  64, 127,  72, 1, 48, 2, 0}}},
// 3: harder and shorter than the marimba: x3 partial, x7 knock.
{"Xylophone       ", 3,  90, kLfoTriangle, kVib, {
  {  3,    0, kSin,  52, 127,  66, 127,  76, 1, 48, 5, 0},
  {  1,    0, kSin,   5, 127,  56, 127,  76, 2, 48, 2, 0},
  {  7,    0, kSin,  52, 127,  80, 127,  76, 1, 48, 5, 0},
  {  3,    0, kSin,  12, 127,  66, 127,  76, 2, 48, 2, 0}}},
// 3: x3.5 on the fundamental and x2.2 (x2, detune 1126) on the octave:
// the clangorous partials of a tubular bell, long ring.
{"Tubular Bells   ", 3, 127, kLfoTriangle, kVib, {
  {  7,-8192, kSin,  48, 127,  40, 127,  60, 0, 48, 5, 0},
  {  1,    0, kSin,   8, 127,  30, 127,  60, 0, 48, 2, 0},
  {  2, 1126, kSin,  50, 127,  42, 127,  60, 0, 48, 5, 0},
  {  2,    0, kSin,  12, 127,  34, 127,  60, 0, 48, 2, 0}}},
// 3: two struck strings detuned +-10, x1 and x3 hammers.
{"Dulcimer        ", 3,  80, kLfoTriangle, kVib, {
  {  1,    0, kSin,  48, 127,  48, 127,  70, 1, 48, 5, 0},
  {  1,   10, kSin,  10, 127,  40, 127,  70, 1, 48, 2, 0},
  {  3,    0, kSin,  54, 127,  54, 127,  70, 1, 48, 5, 0},
  {  1,  -10, kSin,  10, 127,  40, 127,  70, 1, 48, 2, 0}}},

// ---- 16-23 Organs --------------------------------------------------------
// 0: four sine drawbars, 16' 8' 4' 2 2/3' (x1/2, x1, x2, x3).
{"Drawbar Organ   ", 0, 127, kLfoTriangle, kFastVib, {
  {  0,    0, kSin,  15, 127,   0,   0,  96, 0,127, 0, 1},
  {  1,    0, kSin,  13, 127,   0,   0,  96, 0,127, 0, 1},
  {  2,    0, kSin,  17, 127,   0,   0,  96, 0,127, 0, 1},
  {  3,    0, kSin,  21, 127,   0,   0,  96, 0,127, 0, 1}}},
// 1: a lightly driven 8', a 4', and a decaying x3 percussion ping.
{"Percussive Organ", 1, 100, kLfoTriangle, kFastVib, {
  {  1,    0, kSin,  66, 127,   0,   0,  96, 0,127, 0, 1},
  {  1,    0, kSin,  10, 127,   0,   0,  96, 0,127, 0, 1},
  {  2,    0, kSin,  16, 127,   0,   0,  96, 0,127, 0, 1},
  {  3,    0, kSin,  10, 127,  70, 127,  90, 0,127, 0, 1}}},
// 2: 0 > [1], [2], [3]. One gritty modulator (fl 60) drives 16', 8'
// and 4' alike: an overdriven rotary organ.
{"Rock Organ      ", 2,  60, kLfoTriangle, kFastVib, {
  {  1,    0, kSin,  56, 127,   0,   0,  96, 0,127, 0, 1},
  {  0,    0, kSin,  12, 127,   0,   0,  96, 0,127, 0, 1},
  {  1,    0, kSin,  11, 127,   0,   0,  96, 0,127, 0, 1},
  {  2,    0, kSin,  16, 127,   0,   0,  96, 0,127, 0, 1}}},
// 0: pipe ranks 16', 8' (+3), 4' (-3) and 2' with a slow speak and a
// church-like release.
{"Church Organ    ", 0, 127, kLfoTriangle, kSlowVib, {
  {  0,    0, kSin,  13, 100,   0,   0,  66, 0,127, 0, 0},
  {  1,    3, kSin,  11, 104,   0,   0,  66, 0,127, 0, 0},
  {  2,   -3, kTri,  16, 104,   0,   0,  66, 0,127, 0, 0},
  {  4,    0, kSin,  22, 108,   0,   0,  66, 0,127, 0, 0}}},
// 3: reedy x1 pair with feedback, an x3-tinted octave; soft attack.
{"Reed Organ      ", 3,  90, kLfoTriangle, kVib, {
  {  1,    0, kSin,  52, 100,   0,   0,  88, 0,127, 3, 1},
  {  1,    0, kSin,  10,  98,   0,   0,  88, 0,127, 1, 1},
  {  3,    0, kSin,  60, 100,   0,   0,  88, 0,127, 3, 1},
  {  2,    0, kSin,  16,  98,   0,   0,  88, 0,127, 1, 1}}},
// 3: two reeds a musette apart (+-40), each a bright x1 pair.
{"Accordion       ", 3,  70, kLfoTriangle, kVib, {
  {  1,    0, kSin,  48, 104,   0,   0,  90, 0,127, 3, 1},
  {  1,   40, kSin,  14, 104,   0,   0,  90, 0,127, 1, 1},
  {  1,    0, kSin,  48, 104,   0,   0,  90, 0,127, 3, 1},
  {  1,  -40, kSin,  14, 104,   0,   0,  90, 0,127, 1, 1}}},
// 1: breathy buzzing reed (fl 76) with a half-sine octave; the index
// follows velocity; strong wheel vibrato.
{"Harmonica       ", 1,  76, kLfoTriangle, kVib, {
  {  1,    0, kSin,  46,  96,   0,   0,  86, 0,127, 5, 2},
  {  1,    0, kSin,   4, 100,   0,   0,  86, 0,127, 1, 2},
  {  2,    0, kHlf,  20, 100,   0,   0,  86, 0,127, 1, 2},
  kOff}},
// 3: reed pairs +-30 apart; the second a half sine over x2 for the
// bandoneon's darker bellows voice.
{"Bandoneon       ", 3,  84, kLfoTriangle, kSlowVib, {
  {  1,    0, kSin,  52, 100,   0,   0,  86, 0,127, 3, 1},
  {  1,   30, kSin,  10,  98,   0,   0,  86, 0,127, 1, 1},
  {  2,    0, kSin,  56, 100,   0,   0,  86, 0,127, 3, 1},
  {  1,  -30, kHlf,  10,  98,   0,   0,  86, 0,127, 1, 1}}},

// ---- 24-31 Guitars -------------------------------------------------------
// 4: 0 > 1, (1 + 2) > [3]. Soft x1/x3 pluck into a single string.
{"Nylon Guitar    ", 4, 100, kLfoTriangle, kVib, {
  {  1,    0, kSin,  58, 127,  50,  60,  72, 1, 48, 4, 0},
  {  3,    0, kSin,  56, 127,  56,  60,  72, 1, 48, 4, 0},
  {  1,    0, kSin,  52, 127,  48,  40,  72, 1, 48, 4, 0},
  {  1,    0, kSin,   5, 127,  42, 127,  72, 1, 48, 2, 0}}},
// 4: brighter pick: x5 in the chain and a stronger x1 index.
{"Steel Guitar    ", 4,  80, kLfoTriangle, kVib, {
  {  1,    0, kSin,  50, 127,  50,  50,  72, 1, 48, 4, 0},
  {  5,    0, kSin,  54, 127,  60,  70,  72, 1, 48, 4, 0},
  {  1,    0, kSin,  46, 127,  46,  36,  72, 1, 48, 4, 0},
  {  1,    0, kSin,   5, 127,  40, 127,  72, 1, 48, 2, 0}}},
// 3: warm hollow-body: gentle x1 and x2 indexes on two strings.
{"Jazz Guitar     ", 3, 110, kLfoTriangle, kVib, {
  {  1,    0, kSin,  56, 127,  44,  50,  72, 1, 48, 4, 0},
  {  1,    0, kSin,  10, 127,  40, 127,  72, 1, 48, 2, 0},
  {  2,    0, kSin,  60, 127,  48,  60,  72, 1, 48, 4, 0},
  {  1,    4, kSin,  14, 127,  42, 127,  72, 1, 48, 2, 0}}},
// 7: 0 > 1 > 2 > [3]. A light x3 chain: glassy single-coil clean.
{"Clean Guitar    ", 7,  90, kLfoTriangle, kVib, {
  {  1,    0, kSin,  66, 127,  48,  60,  72, 1, 48, 3, 0},
  {  1,    0, kSin,  62, 127,  48,  60,  72, 1, 48, 3, 0},
  {  3,    0, kSin,  52, 127,  50,  40,  72, 1, 48, 4, 0},
  {  1,    0, kSin,   5, 127,  42, 127,  72, 1, 48, 2, 0}}},
// 6: (0 + 1) > 2 > [3]. Palm-muted: everything dies within half a second.
{"Muted Guitar    ", 6,  90, kLfoTriangle, kVib, {
  {  1,    0, kSin,  56, 127,  80, 127,  80, 1, 48, 4, 0},
  {  2,    0, kSin,  60, 127,  80, 127,  80, 1, 48, 4, 0},
  {  1,    0, kSin,  52, 127,  70,  60,  80, 1, 48, 4, 0},
  {  1,    0, kSin,   0, 127,  70, 127,  80, 1, 48, 2, 0}}},
// 7: a buzzing chain (fl 56) that barely decays: amp overdrive with long
// sustain; wheel vibrato.
{"Overdrive Guitar", 7,  56, kLfoTriangle, kVib, {
  {  1,    0, kSin,  56, 127,  40,  16,  72, 1, 48, 3, 1},
  {  1,    0, kSin,  54, 127,  40,  16,  72, 1, 48, 3, 1},
  {  1,    0, kSin,  44, 127,  44,  20,  72, 1, 48, 3, 1},
  {  1,    0, kSin,   4, 127,  40,  20,  72, 1, 48, 1, 1}}},
// 7: heavier: x1/2 growl in the chain, saw carrier, fl 44.
{"Distortion Gtr  ", 7,  44, kLfoTriangle, kVib, {
  {  1,    0, kSin,  54, 127,  40,  16,  72, 1, 48, 3, 1},
  {  0,    0, kSin,  56, 127,  40,  16,  72, 1, 48, 3, 1},
  {  1,    0, kSin,  48, 127,  44,  20,  72, 1, 48, 3, 1},
  {  1,    0, kSaw,   0, 127,  40,  20,  72, 1, 48, 1, 1}}},
// 3: the touched-string octave (x2) and twelfth (x3) rung almost pure.
{"Guitar Harmonics", 3, 127, kLfoTriangle, kVib, {
  {  2,    0, kSin,  70, 127,  54, 127,  68, 1, 48, 4, 0},
  {  2,    0, kSin,   7, 127,  42, 127,  68, 1, 48, 2, 0},
  {  3,    0, kSin,  72, 127,  54, 127,  68, 1, 48, 4, 0},
  {  3,    0, kSin,  18, 127,  46, 127,  68, 1, 48, 2, 0}}},

// ---- 32-39 Basses ---------------------------------------------------------
// 4: upright: a round x1 string with a short x2 thump.
{"Acoustic Bass   ", 4, 100, kLfoTriangle, kVib, {
  {  1,    0, kSin,  56, 127,  60,  50,  80, 1, 36, 4, 0},
  {  1,    0, kSin,  54, 127,  58,  50,  80, 1, 36, 4, 0},
  {  2,    0, kSin,  58, 127,  74, 127,  80, 1, 36, 4, 0},
  {  1,    0, kSin,   3, 127,  48, 127,  80, 1, 36, 2, 0}}},
// 1: finger-played electric: a fading x1 index, a triangle body that
// settles to a sustain.
{"Finger Bass     ", 1,  90, kLfoTriangle, kVib, {
  {  1,    0, kSin,  46, 127,  56,  30,  80, 1, 36, 4, 0},
  {  1,    0, kSin,   2, 127,  44,  30,  80, 1, 36, 2, 0},
  {  1,    0, kTri,  16, 127,  52,  30,  80, 1, 36, 2, 0},
  kOff}},
// 3: picked: a brighter x1 pair plus an x5 click pair.
{"Pick Bass       ", 3,  80, kLfoTriangle, kVib, {
  {  1,    0, kSin,  42, 127,  64,  40,  80, 1, 36, 4, 0},
  {  1,    0, kSin,   5, 127,  52,  40,  80, 1, 36, 2, 0},
  {  5,    0, kSin,  52, 127,  80, 127,  80, 1, 36, 4, 0},
  {  1,    0, kSin,  13, 127,  56, 127,  80, 1, 36, 2, 0}}},
// 1: smooth fretless: soft attack, low index, mwah from the decay;
// wheel vibrato.
{"Fretless Bass   ", 1, 110, kLfoTriangle, kVib, {
  {  1,    0, kSin,  58, 110,  50,  30,  80, 1, 36, 4, 1},
  {  1,    0, kSin,   4, 116,  44,  24,  80, 1, 36, 2, 1},
  {  2,    0, kSin,  30, 116,  50,  30,  80, 1, 36, 2, 1},
  kOff}},
// 3: thumb slap: growling x1 pair and an x7 > x3 pop.
{"Slap Bass 1     ", 3,  70, kLfoTriangle, kVib, {
  {  1,    0, kSin,  40, 127,  70,  30,  80, 1, 36, 5, 0},
  {  1,    0, kSin,   2, 127,  50,  40,  80, 1, 36, 2, 0},
  {  7,    0, kSin,  46, 127,  86, 127,  80, 1, 36, 5, 0},
  {  3,    0, kSin,  20, 127,  84, 127,  80, 1, 36, 2, 0}}},
// 4: popped string: x2 and x5 snaps into one carrier.
{"Slap Bass 2     ", 4,  60, kLfoTriangle, kVib, {
  {  2,    0, kSin,  46, 127,  76, 127,  80, 1, 36, 5, 0},
  {  1,    0, kSin,  42, 127,  70,  24,  80, 1, 36, 5, 0},
  {  5,    0, kSin,  50, 127,  86, 127,  80, 1, 36, 5, 0},
  {  1,    0, kSin,   0, 127,  58,  30,  80, 1, 36, 2, 0}}},
// 1: analog-style: a heavy feedback modulator whose index falls like a
// closing filter, and a square sub an octave below.
{"Synth Bass 1    ", 1,  44, kLfoTriangle, kVib, {
  {  1,    0, kSin,  38, 127,  62,  20,  80, 1, 36, 5, 0},
  {  1,    0, kSin,   5, 127,  48,  16,  80, 1, 36, 2, 0},
  {  0,    0, kSqr,  24, 127,  48,  16,  80, 1, 36, 2, 0},
  kOff}},
// 6: (0 + 1) > 2 > [3]. Rubbery: x1 and x2 into a detuned middle
// stage, decaying into a firm sustain.
{"Synth Bass 2    ", 6,  56, kLfoTriangle, kVib, {
  {  1,    0, kSin,  46, 127,  70,  40,  80, 1, 36, 5, 0},
  {  2,    0, kSin,  52, 127,  70,  40,  80, 1, 36, 5, 0},
  {  1,    6, kSin,  46, 127,  60,  24,  80, 1, 36, 4, 0},
  {  1,    0, kSin,   2, 127,  50,  20,  80, 1, 36, 2, 0}}},

// ---- 40-47 Strings ---------------------------------------------------------
// 3: bowed: a saw-like feedback pair and an x3 rosin pair, bow-speed
// attack, wheel vibrato.
{"Violin          ", 3,  56, kLfoTriangle, kVib, {
  {  1,    0, kSin,  46, 100,  60,   4,  76, 0, 60, 4, 1},
  {  1,    0, kSin,  13,  96,   0,   0,  76, 0, 60, 1, 1},
  {  3,    0, kSin,  56,  92,  60,   4,  76, 0, 60, 4, 1},
  {  1,    8, kSin,  17,  92,   0,   0,  76, 0, 60, 1, 1}}},
// 3: a shade darker than the violin: x2 rosin pair, more feedback.
{"Viola           ", 3,  60, kLfoTriangle, kVib, {
  {  1,    0, kSin,  48,  98,  60,   4,  76, 0, 60, 4, 1},
  {  1,    0, kSin,  13,  94,   0,   0,  76, 0, 60, 1, 1},
  {  2,    0, kSin,  54,  90,  60,   4,  76, 0, 60, 4, 1},
  {  1,   -8, kSin,  17,  90,   0,   0,  76, 0, 60, 1, 1}}},
// 1: deep bowed voice with a half-sine octave body.
{"Cello           ", 1,  60, kLfoTriangle, kVib, {
  {  1,    0, kSin,  44,  92,  60,   4,  76, 0, 48, 4, 1},
  {  1,    0, kSin,   3,  90,   0,   0,  76, 0, 48, 1, 1},
  {  2,    0, kHlf,  23,  88,   0,   0,  76, 0, 48, 1, 1},
  kOff}},
// 4: contrabass: two modulators into one carrier, slow bow.
{"Contrabass      ", 4,  70, kLfoTriangle, kVib, {
  {  1,    0, kSin,  52,  92,  60,   4,  76, 0, 36, 4, 1},
  {  1,    0, kSin,  50,  92,  60,   4,  76, 0, 36, 4, 1},
  {  2,    0, kSin,  56,  88,  60,   4,  76, 0, 36, 4, 1},
  {  1,    0, kSin,   6,  90,   0,   0,  76, 0, 36, 1, 1}}},
// 3: carriers 360 units apart (3 %): their beat, about 8 Hz at middle
// C, is the bow tremolo.
{"Tremolo Strings ", 3,  60, kLfoTriangle, kVib, {
  {  1,    0, kSin,  46, 104,  60,   4,  76, 0, 60, 4, 0},
  {  1,  180, kSin,   7, 104,   0,   0,  76, 0, 60, 1, 0},
  {  1,    0, kSin,  48, 104,  60,   4,  76, 0, 60, 4, 0},
  {  1, -180, kSin,   7, 104,   0,   0,  76, 0, 60, 1, 0}}},
// 4: plucked orchestral strings, short and round.
{"Pizzicato       ", 4, 100, kLfoTriangle, kVib, {
  {  1,    0, kSin,  62, 127,  64, 127,  76, 1, 48, 4, 0},
  {  2,    0, kSin,  64, 127,  68, 127,  76, 1, 48, 4, 0},
  {  1,    0, kSin,  56, 127,  60, 127,  76, 1, 48, 4, 0},
  {  1,    0, kSin,   2, 127,  56, 127,  76, 1, 48, 2, 0}}},
// 3: harp: near-pure fundamental and octave with a quick pluck index.
{"Harp            ", 3, 120, kLfoTriangle, kVib, {
  {  1,    0, kSin,  62, 127,  50, 127,  70, 1, 48, 4, 0},
  {  1,    0, kSin,   7, 127,  38, 127,  70, 1, 48, 2, 0},
  {  2,    0, kSin,  64, 127,  60, 127,  70, 1, 48, 4, 0},
  {  2,    0, kSin,  20, 127,  46, 127,  70, 1, 48, 2, 0}}},
// 1: kettle drum: the note an octave down (x1/2) with x3/4 and x1
// membrane partials, a mallet thud from operator 0.
{"Timpani         ", 1, 100, kLfoTriangle, kVib, {
  {  1,    0, kSin,  56, 127,  60, 127,  72, 1, 48, 5, 0},
  {  0,    0, kSin,   8, 127,  40, 127,  72, 1, 48, 2, 0},
  {  1,-3400, kSin,  20, 127,  46, 127,  72, 1, 48, 2, 0},
  {  1,    0, kSin,  26, 127,  50, 127,  72, 1, 48, 2, 0}}},

// ---- 48-55 Ensembles ------------------------------------------------------
// 3: section strings: two feedback-bright pairs +-24 apart (one with a
// saw modulator), moderate attack.
{"String Ensemble ", 3,  56, kLfoTriangle, kVib, {
  {  1,    0, kSin,  50,  92,   0,   0,  74, 0,127, 3, 1},
  {  1,   24, kSin,  15,  90,   0,   0,  74, 0,127, 1, 1},
  {  1,    0, kSaw,  58,  92,   0,   0,  74, 0,127, 3, 1},
  {  1,  -24, kSin,  15,  90,   0,   0,  74, 0,127, 1, 1}}},
// 3: slow-bowed section with an x2-tinted second pair, long release.
{"Slow Strings    ", 3,  60, kLfoTriangle, kVib, {
  {  1,    0, kSin,  48,  72,   0,   0,  66, 0,127, 3, 1},
  {  1,   30, kSin,  12,  70,   0,   0,  66, 0,127, 1, 1},
  {  2,    0, kSin,  54,  72,   0,   0,  66, 0,127, 3, 1},
  {  1,  -30, kSin,  12,  70,   0,   0,  66, 0,127, 1, 1}}},
// 0: three detuned saws and a saw an octave down: classic string machine.
{"Synth Strings 1 ", 0, 127, kLfoTriangle, kVib, {
  {  0,    0, kSaw,  17,  96,   0,   0,  72, 0,127, 1, 1},
  {  1,   40, kSaw,  11,  96,   0,   0,  72, 0,127, 1, 1},
  {  1,  -40, kSaw,  11,  96,   0,   0,  72, 0,127, 1, 1},
  {  2,    0, kSaw,  19,  96,   0,   0,  72, 0,127, 1, 1}}},
// 2: 0 > [1], [2], [3]. A modulator that swells in after the carriers
// (ar 70): strings that brighten as they grow.
{"Synth Strings 2 ", 2,  90, kLfoTriangle, kVib, {
  {  1,    0, kSin,  54,  70,   0,   0,  72, 0,127, 3, 1},
  {  1,   30, kSin,  12,  88,   0,   0,  72, 0,127, 1, 1},
  {  1,  -30, kSin,  12,  88,   0,   0,  72, 0,127, 1, 1},
  {  2,    0, kSin,  20,  88,   0,   0,  72, 0,127, 1, 1}}},
// 3: "ah": fundamental pair, and a formant pair on x3 with x1 sidebands.
{"Choir Aahs      ", 3, 110, kLfoTriangle, kSlowVib, {
  {  1,    0, kSin,  58,  88,   0,   0,  72, 0,127, 3, 1},
  {  1,    0, kSin,   5,  84,   0,   0,  72, 0,127, 1, 1},
  {  1,    0, kSin,  60,  88,   0,   0,  72, 0,127, 3, 1},
  {  3,   10, kSin,  17,  84,   0,   0,  72, 0,127, 1, 1}}},
// 1: "oo": almost pure, a faint octave and a chorused twin.
{"Voice Oohs      ", 1, 120, kLfoTriangle, kSlowVib, {
  {  1,    0, kSin,  66,  86,   0,   0,  72, 0,127, 3, 1},
  {  1,    0, kSin,  12,  84,   0,   0,  72, 0,127, 1, 1},
  {  2,    0, kSin,  31,  82,   0,   0,  72, 0,127, 1, 1},
  {  1,   14, kSin,  17,  84,   0,   0,  72, 0,127, 1, 1}}},
// 2: vocal synth: x1, x3 and a detuned x1 all driven by one modulator.
{"Synth Voice     ", 2, 100, kLfoTriangle, kVib, {
  {  1,    0, kSin,  60,  96,   0,   0,  72, 0,127, 3, 1},
  {  1,    0, kSin,  12,  94,   0,   0,  72, 0,127, 1, 1},
  {  3,    0, kSin,  24,  94,   0,   0,  72, 0,127, 1, 1},
  {  1,   30, kSin,  14,  94,   0,   0,  72, 0,127, 1, 1}}},
// 2: the orchestra hit: a fierce modulator (fl 40) on octave below,
// unison and fifth above, all gone in under a second.
{"Orchestra Hit   ", 2,  40, kLfoTriangle, kVib, {
  {  1,    0, kSin,  44, 127,  70, 127,  72, 0,127, 4, 0},
  {  1,    0, kSin,  13, 127,  66, 127,  72, 0,127, 1, 0},
  {  0,    0, kSin,  13, 127,  62, 127,  72, 0,127, 1, 0},
  {  3,-8192, kSin,  17, 127,  66, 127,  72, 0,127, 1, 0}}},

// ---- 56-63 Brass -------------------------------------------------------------
// 1: trumpet: the index blooms with the attack and with velocity; an x1
// carrier slightly detuned thickens it.
{"Trumpet         ", 1,  64, kLfoTriangle, kVib, {
  {  1,    0, kSin,  40, 100,  64,   6,  80, 0, 60, 5, 1},
  {  1,    0, kSin,   0, 110,  60,   6,  80, 0, 60, 1, 1},
  {  1,    8, kSin,  19, 110,  60,   6,  80, 0, 60, 1, 1},
  kOff}},
// 4: trombone: two x1 modulators and an x2, darker and slower.
{"Trombone        ", 4,  70, kLfoTriangle, kVib, {
  {  1,    0, kSin,  48,  96,  64,   6,  80, 0, 48, 5, 1},
  {  1,    0, kSin,  46,  98,  64,   6,  80, 0, 48, 5, 1},
  {  2,    0, kSin,  58,  98,  64,   6,  80, 0, 48, 5, 1},
  {  1,    0, kSin,   4, 104,  60,   4,  80, 0, 48, 1, 1}}},
// 1: tuba: round x1 pair and a sub-octave sine.
{"Tuba            ", 1,  84, kLfoTriangle, kVib, {
  {  1,    0, kSin,  46,  96,  64,   8,  80, 0, 36, 5, 1},
  {  1,    0, kSin,   0, 100,  60,   4,  80, 0, 36, 1, 1},
  {  0,    0, kSin,  25, 100,  60,   4,  80, 0, 36, 1, 1},
  kOff}},
// 7: muted trumpet: an x3 > x1 > x2 chain puts the energy high and
// nasal; little low end.
{"Muted Trumpet   ", 7, 100, kLfoTriangle, kVib, {
  {  3,    0, kSin,  54, 104,  60,   8,  80, 0, 60, 4, 1},
  {  1,    0, kSin,  48, 104,  60,   6,  80, 0, 60, 4, 1},
  {  2,    0, kSin,  48, 104,  60,   6,  80, 0, 60, 4, 1},
  {  1,    0, kSin,   3, 108,  60,   6,  80, 0, 60, 1, 1}}},
// 3: horn: mellow x1 pair and a pair tinted by x1/2, slow attack.
{"French Horn     ", 3, 100, kLfoTriangle, kVib, {
  {  1,    0, kSin,  50,  92,  64,   8,  76, 0, 48, 5, 1},
  {  1,    0, kSin,   6,  94,  60,   4,  76, 0, 48, 1, 1},
  {  0,    0, kSin,  58,  92,  64,   8,  76, 0, 48, 5, 1},
  {  1,    4, kSin,  12,  92,  60,   4,  76, 0, 48, 1, 1}}},
// 3: brass section: two bright x1 pairs +-20 apart.
{"Brass Section   ", 3,  64, kLfoTriangle, kVib, {
  {  1,    0, kSin,  40, 100,  66,   6,  80, 0, 60, 5, 1},
  {  1,   20, kSin,   7, 104,  60,   4,  80, 0, 60, 1, 1},
  {  1,    0, kSin,  42,  98,  66,   6,  80, 0, 60, 5, 1},
  {  1,  -20, kSin,   7, 104,  60,   4,  80, 0, 60, 1, 1}}},
// 3: synth brass: saw carriers under modulators that swell in slowly.
{"Synth Brass 1   ", 3,  56, kLfoTriangle, kVib, {
  {  1,    0, kSin,  50,  86,  70,  24,  80, 0, 60, 5, 1},
  {  1,    0, kSaw,   7, 112,  60,   6,  80, 0, 60, 1, 1},
  {  1,    0, kSin,  52,  84,  70,  24,  80, 0, 60, 5, 1},
  {  1,   30, kSaw,   7, 112,  60,   6,  80, 0, 60, 1, 1}}},
// 2: poly brass: one swelling modulator over unison, detuned and
// sub-octave carriers.
{"Synth Brass 2   ", 2,  60, kLfoTriangle, kVib, {
  {  1,    0, kSin,  44,  80,  64,  16,  80, 0, 60, 5, 1},
  {  1,    0, kSin,  11, 108,  60,   6,  80, 0, 60, 1, 1},
  {  1,  -36, kSin,  13, 108,  60,   6,  80, 0, 60, 1, 1},
  {  0,    0, kSin,  17, 108,  60,   6,  80, 0, 60, 1, 1}}},

// ---- 64-71 Reeds -------------------------------------------------------------
// 4: soprano sax: bright x1 and x3 into one reed, quick tongue.
{"Soprano Sax     ", 4,  64, kLfoTriangle, kVib, {
  {  1,    0, kSin,  48, 106,  60,   8,  84, 0, 60, 4, 1},
  {  1,    0, kSin,  46, 106,  60,   6,  84, 0, 60, 5, 1},
  {  3,    0, kSin,  56, 106,  60,   6,  84, 0, 60, 5, 1},
  {  1,    0, kSin,   3, 110,  60,   4,  84, 0, 60, 1, 1}}},
// 1: alto sax: growling feedback pair and a half-sine body.
{"Alto Sax        ", 1,  58, kLfoTriangle, kVib, {
  {  1,    0, kSin,  42, 104,  60,   6,  84, 0, 60, 5, 1},
  {  1,    0, kSin,   4, 108,  60,   4,  84, 0, 60, 1, 1},
  {  1,    0, kHlf,  24, 108,  60,   4,  84, 0, 60, 1, 1},
  kOff}},
// 5: 1 > 2, (2 + 0) > [3]. Tenor: an x2 > x1 pair and a feedback x1
// together on one carrier: breathy and husky.
{"Tenor Sax       ", 5,  50, kLfoTriangle, kVib, {
  {  1,    0, kSin,  50, 104,  60,   6,  84, 0, 48, 5, 1},
  {  2,    0, kSin,  56, 104,  60,   6,  84, 0, 48, 5, 1},
  {  1,    0, kSin,  46, 104,  60,   6,  84, 0, 48, 5, 1},
  {  1,    0, kSin,   1, 108,  60,   4,  84, 0, 48, 1, 1}}},
// 1: baritone: low honk with a sub-octave sine.
{"Baritone Sax    ", 1,  54, kLfoTriangle, kVib, {
  {  1,    0, kSin,  42, 102,  60,   6,  84, 0, 36, 5, 1},
  {  1,    0, kSin,   4, 106,  60,   4,  84, 0, 36, 1, 1},
  {  0,    0, kSin,  26, 106,  60,   4,  84, 0, 36, 1, 1},
  kOff}},
// 6: (0 + 1) > 2 > [3]. Oboe: x1 and x4 into the middle stage put a
// thin, nasal formant on top.
{"Oboe            ", 6,  80, kLfoTriangle, kVib, {
  {  1,    0, kSin,  60, 108,   0,   0,  84, 0,127, 4, 1},
  {  4,    0, kSin,  62, 108,   0,   0,  84, 0,127, 4, 1},
  {  1,    0, kSin,  50, 108,   0,   0,  84, 0,127, 4, 1},
  {  1,    0, kSin,   5, 108,   0,   0,  84, 0,127, 1, 1}}},
// 6: English horn: as the oboe an x3 formant lower, rounder.
{"English Horn    ", 6,  90, kLfoTriangle, kVib, {
  {  1,    0, kSin,  62, 104,   0,   0,  84, 0,127, 4, 1},
  {  3,    0, kSin,  64, 104,   0,   0,  84, 0,127, 4, 1},
  {  1,    0, kSin,  52, 104,   0,   0,  84, 0,127, 4, 1},
  {  1,    0, kSin,   5, 104,   0,   0,  84, 0,127, 1, 1}}},
// 4: bassoon: x2 and x1 into one reed: reedy, woody low voice.
{"Bassoon         ", 4,  80, kLfoTriangle, kVib, {
  {  2,    0, kSin,  60, 104,   0,   0,  84, 0,127, 4, 1},
  {  1,    0, kSin,  56, 104,   0,   0,  84, 0,127, 4, 1},
  {  1,    0, kSin,  58, 104,   0,   0,  84, 0,127, 4, 1},
  {  1,    0, kSin,   5, 104,   0,   0,  84, 0,127, 1, 1}}},
// 1: clarinet: x2 modulating x1 gives odd harmonics only; a faint x3
// carrier for the throat tone.
{"Clarinet        ", 1, 127, kLfoTriangle, kVib, {
  {  2,    0, kSin,  52, 104,   0,   0,  84, 0,127, 4, 1},
  {  1,    0, kSin,   8, 108,   0,   0,  84, 0,127, 1, 1},
  {  3,    0, kSin,  43, 108,   0,   0,  84, 0,127, 1, 1},
  kOff}},

// ---- 72-79 Pipes -------------------------------------------------------------
// 1: 0 (fl 0, noise) > [1] breath; [2] the tone an octave up; [3] a faint
// x4 edge. Piccolo.
{"Piccolo         ", 1,   0, kLfoTriangle, kVib, {
  { 15,    0, kSin,  40, 110,  80,  30,  84, 0,127, 3, 1},
  {  2,    0, kSin,  34, 110,  80,  30,  84, 0,127, 1, 1},
  {  2,    0, kSin,   6, 104,   0,   0,  84, 0,127, 1, 1},
  {  4,    0, kSin,  36, 104,   0,   0,  84, 0,127, 1, 1}}},
// 1: flute: breath noise chiff, a sine and a faint x2.
{"Flute           ", 1,   0, kLfoTriangle, kVib, {
  { 15,    0, kSin,  40, 104,  76,  30,  80, 0,127, 3, 1},
  {  1,    0, kSin,  34, 104,  76,  30,  80, 0,127, 1, 1},
  {  1,    0, kSin,   7, 100,   0,   0,  80, 0,127, 1, 1},
  {  2,    0, kSin,  30, 100,   0,   0,  80, 0,127, 1, 1}}},
// 1: recorder: wooden and plain: x1 pair at low index, x2 and x3 hints.
{"Recorder        ", 1, 127, kLfoTriangle, kVib, {
  {  1,    0, kSin,  64, 108,   0,   0,  84, 0,127, 3, 1},
  {  1,    0, kSin,   5, 108,   0,   0,  84, 0,127, 1, 1},
  {  2,    0, kSin,  30, 108,   0,   0,  84, 0,127, 1, 1},
  {  3,    0, kSin,  40, 108,   0,   0,  84, 0,127, 1, 1}}},
// 1: pan flute: loud breath puff on attack, soft sine, a detuned
// triangle shadow.
{"Pan Flute       ", 1,   0, kLfoTriangle, kVib, {
  {  1,    0, kSin,  36, 104,  70,  40,  80, 0,127, 3, 1},
  {  1,    0, kSin,  20, 104,  70,  40,  80, 0,127, 1, 1},
  {  1,    0, kSin,   6,  96,   0,   0,  80, 0,127, 1, 1},
  {  1,   12, kTri,  36,  96,   0,   0,  80, 0,127, 1, 1}}},
// 1: blown bottle: steady breath around a slow, hollow sine.
{"Blown Bottle    ", 1,   0, kLfoTriangle, kVib, {
  {  1,    0, kSin,  34,  96,   0,   0,  80, 0,127, 3, 0},
  {  1,    0, kSin,  24,  96,   0,   0,  80, 0,127, 1, 0},
  {  1,    0, kSin,   6,  90,   0,   0,  80, 0,127, 1, 0},
  {  2,    0, kSin,  40,  90,   0,   0,  80, 0,127, 1, 0}}},
// 1: shakuhachi: a rough chiff that settles to a breathy, bent tone;
// deep wheel vibrato.
{"Shakuhachi      ", 1,   8, kLfoTriangle, kSlowVib, {
  {  3,    0, kSin,  38, 104,  66,  30,  80, 0,127, 3, 2},
  {  1,    0, kSin,  22, 104,  66,  36,  80, 0,127, 1, 2},
  {  1,    0, kSin,   6, 100,   0,   0,  80, 0,127, 1, 2},
  {  2,    0, kHlf,  34, 100,   0,   0,  80, 0,127, 1, 2}}},
// 0: whistle: a pure octave-up sine with a whisper of x2; fast vibrato.
{"Whistle         ", 0, 127, kLfoTriangle, kFastVib, {
  kOff,
  kOff,
  {  2,    0, kSin,   5, 108,   0,   0,  84, 0,127, 1, 1},
  {  4,    0, kSin,  34, 108,   0,   0,  84, 0,127, 1, 1}}},
// 1: ocarina: a round sine with a soft x1 index and a little x3.
{"Ocarina         ", 1, 127, kLfoTriangle, kVib, {
  {  1,    0, kSin,  70, 104,   0,   0,  84, 0,127, 3, 1},
  {  1,    0, kSin,   5, 104,   0,   0,  84, 0,127, 1, 1},
  {  3,    0, kSin,  38, 104,   0,   0,  84, 0,127, 1, 1},
  kOff}},

// ---- 80-87 Synth leads ---------------------------------------------------------
// 0: two squares, one a little sharp.
{"Square Lead     ", 0, 127, kLfoTriangle, kVib, {
  kOff,
  {  1,    0, kSqr,  14, 127,   0,   0,  84, 0,127, 1, 1},
  {  1,   20, kSqr,  18, 127,   0,   0,  84, 0,127, 1, 1},
  kOff}},
// 0: three saws: unison, flat, and an octave up.
{"Saw Lead        ", 0, 127, kLfoTriangle, kVib, {
  kOff,
  {  1,    0, kSaw,  10, 127,   0,   0,  84, 0,127, 1, 1},
  {  1,  -24, kSaw,  12, 127,   0,   0,  84, 0,127, 1, 1},
  {  2,   10, kSaw,  22, 127,   0,   0,  84, 0,127, 1, 1}}},
// 1: calliope: breath over a triangle and an octave sine.
{"Calliope Lead   ", 1,   0, kLfoTriangle, kVib, {
  { 15,    0, kSin,  50, 108,   0,   0,  84, 0,127, 3, 1},
  {  1,    0, kSin,  31, 108,   0,   0,  84, 0,127, 1, 1},
  {  1,    0, kTri,   5, 108,   0,   0,  84, 0,127, 1, 1},
  {  2,    0, kSin,  17, 108,   0,   0,  84, 0,127, 1, 1}}},
// 1: chiff: a noisy spit at the start, then a triangle and octave.
{"Chiff Lead      ", 1,  30, kLfoTriangle, kVib, {
  {  1,    0, kSin,  40, 127,  96, 127,  84, 0,127, 3, 1},
  {  1,    0, kSin,  13, 127,  90, 127,  84, 0,127, 1, 1},
  {  1,    0, kTri,   4, 112,   0,   0,  84, 0,127, 1, 1},
  {  2,    0, kSin,  25, 112,   0,   0,  84, 0,127, 1, 1}}},
// 7: charang: a buzzing chain ending in a saw: distorted synth guitar.
{"Charang Lead    ", 7,  44, kLfoTriangle, kVib, {
  {  1,    0, kSin,  48, 127,  60,  20,  84, 0,127, 3, 1},
  {  1,    0, kSqr,  54, 127,  60,  20,  84, 0,127, 3, 1},
  {  2,    0, kSin,  56, 127,  60,  20,  84, 0,127, 3, 1},
  {  1,    0, kSaw,   0, 127,  60,  10,  84, 0,127, 1, 1}}},
// 2: vocal lead: x1, x3 and a chorused x1 under one modulator.
{"Voice Lead      ", 2,  90, kLfoTriangle, kVib, {
  {  1,    0, kSin,  58, 104,   0,   0,  84, 0,127, 3, 1},
  {  1,    0, kSin,   9, 104,   0,   0,  84, 0,127, 1, 1},
  {  3,    0, kSin,  23, 104,   0,   0,  84, 0,127, 1, 1},
  {  1,   30, kSin,  13, 104,   0,   0,  84, 0,127, 1, 1}}},
// 0: parallel fifths: saw, saw a fifth up (x3 an octave down = x1.5),
// square an octave up.
{"Fifths Lead     ", 0, 127, kLfoTriangle, kVib, {
  kOff,
  {  1,    0, kSaw,   9, 127,   0,   0,  84, 0,127, 1, 1},
  {  3,-8192, kSaw,  11, 127,   0,   0,  84, 0,127, 1, 1},
  {  2,    0, kSqr,  21, 127,   0,   0,  84, 0,127, 1, 1}}},
// 3: bass + lead: a buzzy saw pair and a square an octave below.
{"Bass & Lead     ", 3,  48, kLfoTriangle, kVib, {
  {  1,    0, kSin,  48, 127,  60,  20,  84, 0,127, 3, 1},
  {  1,    0, kSaw,  10, 127,   0,   0,  84, 0,127, 1, 1},
  {  2,    0, kSin,  60, 127,  60,  20,  84, 0,127, 3, 1},
  {  0,    0, kSqr,  12, 127,   0,   0,  84, 0,127, 1, 1}}},

// ---- 88-95 Synth pads ----------------------------------------------------------
// 3: new age: a slow warm pair under a bell pair that rings at the
// attack and fades.
{"New Age Pad     ", 3, 110, kLfoTriangle, kSlowVib, {
  {  1,    0, kSin,  56,  80,   0,   0,  64, 0,127, 3, 1},
  {  1,    0, kSin,   3,  76,   0,   0,  64, 0,127, 1, 1},
  {  5,    0, kSin,  58, 127,  60, 127,  64, 0,127, 4, 1},
  {  4,    0, kSin,  12, 127,  56, 127,  64, 0,127, 1, 1}}},
// 3: warm pad: two low-index pairs +-20, sine and triangle, slow swell.
{"Warm Pad        ", 3,  96, kLfoTriangle, kSlowVib, {
  {  1,    0, kSin,  62,  70,   0,   0,  64, 0,127, 3, 1},
  {  1,   20, kSin,   9,  72,   0,   0,  64, 0,127, 1, 1},
  {  1,    0, kSin,  64,  70,   0,   0,  64, 0,127, 3, 1},
  {  1,  -20, kTri,   9,  72,   0,   0,  64, 0,127, 1, 1}}},
// 0: polysynth: two detuned saws and a sub square, decaying to a
// sustain like a filter envelope.
{"Polysynth Pad   ", 0, 127, kLfoTriangle, kVib, {
  kOff,
  {  1,   18, kSaw,   9, 110,  64,  20,  72, 0,127, 1, 1},
  {  1,  -18, kSaw,   9, 110,  64,  20,  72, 0,127, 1, 1},
  {  0,    0, kSqr,  19, 110,  64,  20,  72, 0,127, 1, 1}}},
// 2: choir pad: one slow modulator over x1, x2 and x4 voices.
{"Choir Pad       ", 2, 100, kLfoTriangle, kSlowVib, {
  {  1,    0, kSin,  64,  70,   0,   0,  66, 0,127, 3, 1},
  {  1,    0, kSin,   7,  72,   0,   0,  66, 0,127, 1, 1},
  {  2,   25, kSin,  15,  72,   0,   0,  66, 0,127, 1, 1},
  {  4,  -25, kSin,  23,  72,   0,   0,  66, 0,127, 1, 1}}},
// 1: bowed pad: a slow bowing feedback pair, octave and triangle twin.
{"Bowed Pad       ", 1,  60, kLfoTriangle, kSlowVib, {
  {  1,    0, kSin,  56,  66,   0,   0,  66, 0,127, 3, 1},
  {  1,    0, kSin,  10,  78,   0,   0,  66, 0,127, 1, 1},
  {  2,   14, kSin,  22,  70,   0,   0,  66, 0,127, 1, 1},
  {  1,  -14, kTri,  14,  70,   0,   0,  66, 0,127, 1, 1}}},
// 3: metallic: inharmonic x3.4 and x4.7 modulators on x1 and x2.
{"Metallic Pad    ", 3, 100, kLfoTriangle, kSlowVib, {
  {  3, 1400, kSin,  54,  70,   0,   0,  66, 0,127, 3, 1},
  {  1,    0, kSin,   9,  72,   0,   0,  66, 0,127, 1, 1},
  {  5, -700, kSin,  58,  66,   0,   0,  66, 0,127, 3, 1},
  {  2,    6, kSin,  13,  72,   0,   0,  66, 0,127, 1, 1}}},
// 2: halo: an x2 modulator breathing in over three soft voices.
{"Halo Pad        ", 2, 110, kLfoTriangle, kSlowVib, {
  {  2,    0, kSin,  60,  60,   0,   0,  64, 0,127, 3, 1},
  {  1,    0, kSin,   5,  64,   0,   0,  64, 0,127, 1, 1},
  {  2,   30, kSin,  13,  64,   0,   0,  64, 0,127, 1, 1},
  {  1,  -30, kSin,   9,  64,   0,   0,  64, 0,127, 1, 1}}},
// 3: sweep: modulators that take about two seconds to rise and then fall
// back, over two saws: a filter sweep.
{"Sweep Pad       ", 3,  50, kLfoTriangle, kSlowVib, {
  {  1,    0, kSin,  46,  56,  60,  40,  64, 0,127, 3, 1},
  {  1,    0, kSaw,  11,  96,   0,   0,  64, 0,127, 1, 1},
  {  1,    0, kSin,  50,  60,  58,  50,  64, 0,127, 3, 1},
  {  1,   24, kSaw,  11,  96,   0,   0,  64, 0,127, 1, 1}}},

// ---- 96-103 Synth effects ------------------------------------------------------
// 3: rain: a noisy splash pair and a high plink pair; both die away.
{"Rain Drops      ", 3,   0, kLfoTriangle, kVib, {
  { 15,    0, kSin,  40, 127,  74, 127,  72, 1, 48, 3, 0},
  {  1,    0, kSin,  22, 127,  70, 127,  72, 1, 48, 1, 0},
  {  7, 1500, kSin,  54, 127,  66, 127,  72, 1, 48, 4, 0},
  {  4,    0, kSin,   4, 127,  62, 127,  72, 1, 48, 1, 0}}},
// 3: soundtrack: a slow saw pad with a bell chime on the attack.
{"Soundtrack      ", 3,  70, kLfoTriangle, kSlowVib, {
  {  1,    0, kSin,  58,  72,   0,   0,  66, 0,127, 3, 1},
  {  1,    0, kSaw,   6,  70,   0,   0,  66, 0,127, 1, 1},
  {  3,  600, kSin,  56, 127,  60, 127,  66, 0,127, 4, 1},
  {  2,    0, kSin,   4, 127,  56,  60,  66, 0,127, 1, 1}}},
// 3: crystal: two high, inharmonic glass pairs, long ring.
{"Crystal         ", 3, 127, kLfoTriangle, kVib, {
  {  7,    0, kSin,  52, 127,  60, 127,  66, 1, 48, 5, 0},
  {  3,    0, kSin,   9, 127,  52, 127,  66, 1, 48, 1, 0},
  { 11,  400, kSin,  56, 127,  62, 127,  66, 1, 48, 5, 0},
  {  5,    0, kSin,  15, 127,  56, 127,  66, 1, 48, 1, 0}}},
// 4: atmosphere: a plucked attack (x5 decaying) over a breathing pad.
{"Atmosphere      ", 4,  90, kLfoTriangle, kSlowVib, {
  {  1,    0, kSin,  60,  72,   0,   0,  66, 0,127, 3, 1},
  {  5,    0, kSin,  52, 127,  70, 127,  66, 0,127, 4, 1},
  {  2,   12, kSin,  60,  66,   0,   0,  66, 0,127, 3, 1},
  {  1,    0, kSin,   7,  96,   0,   0,  66, 0,127, 1, 1}}},
// 2: brightness: an x4 modulator on x1, x2 and x4 voices: shimmering.
{"Brightness      ", 2, 100, kLfoTriangle, kVib, {
  {  4,    0, kSin,  56,  96,   0,   0,  66, 0,127, 3, 1},
  {  1,    0, kSin,   9,  96,   0,   0,  66, 0,127, 1, 1},
  {  2,   20, kSin,  15,  96,   0,   0,  66, 0,127, 1, 1},
  {  4,  -20, kSin,  21,  96,   0,   0,  66, 0,127, 1, 1}}},
// 7: goblins: odd ratios rising slowly through the chain; noise LFO on
// the wheel.
{"Goblins         ", 7,  40, kLfoNoise, 6 * kLfoPerHz, {
  {  0, 3000, kSin,  44,  50,  60,  30,  66, 0,127, 3, 3},
  {  3,-1800, kSin,  50,  56,  60,  30,  66, 0,127, 3, 3},
  {  1,  500, kSin,  50,  66,  60,  30,  66, 0,127, 3, 3},
  {  1,    0, kSin,   6,  70,   0,   0,  66, 0,127, 1, 3}}},
// 3: echoes: an instant plink, and a softer twin that arrives late
// (slow attack) like its echo.
{"Echo Drops      ", 3, 110, kLfoTriangle, kVib, {
  {  3,    0, kSin,  56, 127,  70, 127,  66, 1, 48, 4, 0},
  {  2,    0, kSin,   5, 127,  60, 127,  66, 1, 48, 1, 0},
  {  3,    0, kSin,  60,  86,  66, 127,  66, 1, 48, 4, 0},
  {  2,   30, kSin,  11,  86,  58, 127,  66, 1, 48, 1, 0}}},
// 2: sci-fi: an inharmonic modulator (x7, -2000) on three voices.
{"Star Theme      ", 2,  80, kLfoSaw, 3 * kLfoPerHz, {
  {  7,-2000, kSin,  56,  96,  64,  30,  66, 0,127, 3, 2},
  {  1,    0, kSin,  10,  96,   0,   0,  66, 0,127, 1, 2},
  {  2,   24, kSin,  16,  96,   0,   0,  66, 0,127, 1, 2},
  {  4,    0, kSin,  24,  96,   0,   0,  66, 0,127, 1, 2}}},

// ---- 104-111 Ethnic ------------------------------------------------------------
// 7: sitar: a buzzing chain whose index falls only part way while the
// string rings: the jawari buzz.
{"Sitar           ", 7,  56, kLfoTriangle, kVib, {
  {  1,    0, kSin,  48, 127,  50,  40,  72, 1, 48, 3, 2},
  {  2,    0, kSin,  54, 127,  50,  40,  72, 1, 48, 3, 2},
  {  1,    0, kSin,  46, 127,  50,  30,  72, 1, 48, 3, 2},
  {  1,    0, kSin,   7, 127,  38, 127,  72, 1, 48, 2, 2}}},
// 4: banjo: bright, snappy x3 and x5 into one string, quick decay.
{"Banjo           ", 4,  70, kLfoTriangle, kVib, {
  {  3,    0, kSin,  56, 127,  72, 127,  76, 1, 48, 4, 0},
  {  1,    0, kSin,  50, 127,  62,  60,  76, 1, 48, 4, 0},
  {  5,    0, kSin,  54, 127,  72, 127,  76, 1, 48, 4, 0},
  {  1,    0, kSin,   2, 127,  52, 127,  76, 1, 48, 2, 0}}},
// 3: shamisen: a snapping x1 pair and an x4 > x3 skin buzz.
{"Shamisen        ", 3,  70, kLfoTriangle, kVib, {
  {  1,    0, kSin,  46, 127,  74, 127,  76, 1, 48, 4, 0},
  {  1,    0, kSin,   3, 127,  54, 127,  76, 1, 48, 2, 0},
  {  4,    0, kSin,  52, 127,  86, 127,  76, 1, 48, 4, 0},
  {  3,    0, kSin,  13, 127,  64, 127,  76, 1, 48, 2, 0}}},
// 5: koto: an x3 > x1 pair and feedback x1 into a plucked carrier.
{"Koto            ", 5,  90, kLfoTriangle, kVib, {
  {  1,    0, kSin,  58, 127,  58, 127,  72, 1, 48, 4, 1},
  {  3,    0, kSin,  60, 127,  62, 127,  72, 1, 48, 4, 1},
  {  1,    0, kSin,  54, 127,  58, 127,  72, 1, 48, 4, 1},
  {  1,    0, kSin,   1, 127,  46, 127,  72, 1, 48, 2, 1}}},
// 3: kalimba: a clean fundamental and the tine's 5.5 partial (x11 an
// octave down) that dies fast.
{"Kalimba         ", 3, 127, kLfoTriangle, kVib, {
  {  1,    0, kSin,  66, 127,  70, 127,  70, 1, 48, 4, 0},
  {  1,    0, kSin,   4, 127,  50, 127,  70, 1, 48, 2, 0},
  {  2,    0, kSin,  70, 127,  80, 127,  70, 1, 48, 4, 0},
  { 11,-8192, kSin,  20, 127,  74, 127,  70, 1, 48, 2, 0}}},
// 3: bagpipe: a reedy chanter pair and a buzzing drone-like pair an
// octave down.
{"Bagpipe         ", 3,  50, kLfoTriangle, kVib, {
  {  1,    0, kSin,  46, 110,   0,   0,  84, 0,127, 1, 0},
  {  1,    0, kSin,  10, 110,   0,   0,  84, 0,127, 1, 0},
  {  1,    0, kSin,  52, 110,   0,   0,  84, 0,127, 1, 0},
  {  0,    0, kSaw,  18, 110,   0,   0,  84, 0,127, 1, 0}}},
// 1: fiddle: a scratchier feedback pair than the violin, x3 carrier.
{"Fiddle          ", 1,  54, kLfoTriangle, kFastVib, {
  {  1,    0, kSin,  48, 104,  60,  16,  80, 0,127, 4, 2},
  {  1,    0, kSin,   9, 104,   0,   0,  80, 0,127, 1, 2},
  {  3,    0, kSin,  37, 104,   0,   0,  80, 0,127, 1, 2},
  kOff}},
// 7: shanai: an x3 chain at high index: penetrating double reed.
{"Shanai          ", 7,  50, kLfoTriangle, kFastVib, {
  {  1,    0, kSin,  56, 108,   0,   0,  84, 0,127, 3, 2},
  {  3,    0, kSin,  56, 108,   0,   0,  84, 0,127, 3, 2},
  {  1,    0, kSin,  46, 108,   0,   0,  84, 0,127, 3, 2},
  {  1,    0, kSin,   5, 108,   0,   0,  84, 0,127, 1, 2}}},

// ---- 112-119 Percussive --------------------------------------------------------
// 3: tinkle bell: two small bell pairs, x3.5 > x2 and x13 > x5.
{"Tinkle Bell     ", 3, 127, kLfoTriangle, kVib, {
  {  7,-8192, kSin,  48, 127,  56, 127,  70, 1, 48, 5, 0},
  {  2,    0, kSin,   7, 127,  46, 127,  70, 1, 48, 1, 0},
  { 13,    0, kSin,  56, 127,  58, 127,  70, 1, 48, 5, 0},
  {  5,    0, kSin,  13, 127,  52, 127,  70, 1, 48, 1, 0}}},
// 3: agogo: inharmonic bell pairs (x5.4 > x1, x3.6 > x1.95).
{"Agogo           ", 3, 127, kLfoTriangle, kVib, {
  {  5,  900, kSin,  52, 127,  62, 127,  72, 1, 48, 5, 0},
  {  1,    0, kSin,   7, 127,  54, 127,  72, 1, 48, 1, 0},
  {  3, 2000, kSin,  54, 127,  66, 127,  72, 1, 48, 5, 0},
  {  2, -300, kSin,  15, 127,  58, 127,  72, 1, 48, 1, 0}}},
// 3: steel drum: bright attack settling to fundamental and x3 partial.
{"Steel Drums     ", 3, 100, kLfoTriangle, kVib, {
  {  1,    0, kSin,  52, 127,  62, 127,  70, 1, 48, 5, 0},
  {  1,    0, kSin,   3, 127,  46, 127,  70, 1, 48, 1, 0},
  {  2,   40, kSin,  56, 127,  58, 127,  70, 1, 48, 5, 0},
  {  3,    0, kSin,  15, 127,  50, 127,  70, 1, 48, 1, 0}}},
// 1: wood block: a hollow, pitched knock.
{"Wood Block      ", 1, 100, kLfoTriangle, kVib, {
  {  3, 2500, kSin,  56, 127,  82, 127,  80, 1, 48, 5, 0},
  {  1,    0, kSin,   8, 127,  74, 127,  80, 1, 48, 1, 0},
  {  2,    0, kSin,   8, 127,  80, 127,  80, 1, 48, 1, 0},
  kOff}},
// 1: taiko: a noisy skin slap an octave down, a deep body and a
// lower membrane partial (x0.8).
{"Taiko Drum      ", 1,   0, kLfoTriangle, kVib, {
  {  1,    0, kSin,  40, 127,  90, 127,  72, 0,127, 4, 0},
  {  0,    0, kSin,  16, 127,  80, 127,  72, 0,127, 1, 0},
  {  0,    0, kSin,   4, 127,  56, 127,  72, 0,127, 1, 0},
  {  1,-2600, kSin,  20, 127,  62, 127,  72, 0,127, 1, 0}}},
// 3: melodic tom: a pitched head with a short, inharmonic stick attack.
{"Melodic Tom     ", 3,  90, kLfoTriangle, kVib, {
  {  1,    0, kSin,  56, 127,  86, 127,  72, 1, 48, 5, 0},
  {  1,    0, kSin,   4, 127,  52, 127,  72, 1, 48, 1, 0},
  { 13,  700, kSin,  40, 127, 100, 127,  72, 1, 48, 5, 0},
  {  1, 2000, kSin,  24, 127,  90, 127,  72, 1, 48, 1, 0}}},
// 1: synth drum: a buzzy click on a sine body and a triangle octave.
{"Synth Drum      ", 1,  60, kLfoTriangle, kVib, {
  {  1,    0, kSin,  48, 127,  92, 127,  72, 1, 48, 5, 0},
  {  1,    0, kSin,   4, 127,  56, 127,  72, 1, 48, 1, 0},
  kOff,
  {  2,    0, kTri,  20, 127,  70, 127,  72, 1, 48, 1, 0}}},
// 1: reverse cymbal: noise that swells for a second and a half, then stops
// at once.
{"Reverse Cymbal  ", 1,   0, kLfoTriangle, kVib, {
  { 15,    0, kSin,  30,  60, 120, 127,  90, 0,127, 0, 0},
  {  7,    0, kSin,   0,  58, 110, 127,  90, 0,127, 0, 0},
  kOff,
  kOff}},

// ---- 120-127 Sound effects -----------------------------------------------------
// 1: fret noise: a short squeak from noise on an x3 carrier, and a
// slide tone.
{"Fret Noise      ", 1,   0, kLfoTriangle, kVib, {
  {  9,    0, kSin,  44, 100,  84, 127,  80, 0,127, 3, 0},
  {  3,    0, kSin,   2, 100,  80, 127,  80, 0,127, 1, 0},
  {  1,    0, kSin,  14, 110,  82, 127,  80, 0,127, 1, 0},
  kOff}},
// 1: breath noise: key-coloured noise that swells and settles.
{"Breath Noise    ", 1,   0, kLfoTriangle, kVib, {
  {  1,    0, kSin,  46,  90,   0,   0,  80, 0,127, 3, 0},
  {  1,    0, kSin,   6,  90,  70,  30,  80, 0,127, 1, 0},
  kOff,
  kOff}},
// 7: seashore: a chain of inharmonic modulators (x1.28, x2.65, x1.45)
// smears an x2 carrier into a dense wash that rolls in over a second and
// a half and drains away.
{"Seashore        ", 7,  20, kLfoTriangle, kVib, {
  {  1, 2900, kSin,  40,  60,   0,   0,  60, 0,127, 0, 0},
  {  3,-1500, kSin,  40,  60,   0,   0,  60, 0,127, 0, 0},
  {  1, 4400, kSin,  36,  60,   0,   0,  60, 0,127, 0, 0},
  {  2,    0, kSin,   0,  58,  44, 127,  60, 0,127, 0, 0}}},
// 3: bird: high carriers warbled by low-ratio modulators at high index,
// the second call arriving late.
{"Bird Tweet      ", 3, 127, kLfoTriangle, kVib, {
  {  0,    0, kSin,  44, 127,  80, 127,  80, 0,127, 0, 0},
  {  8,    0, kSin,   1, 110,  80, 127,  80, 0,127, 0, 0},
  {  1, 1000, kSin,  46,  90,  84, 127,  80, 0,127, 0, 0},
  { 11,    0, kSin,   3,  90,  84, 127,  80, 0,127, 0, 0}}},
// 0: telephone: two x5 tones 64 units apart warble at about 7 Hz at
// middle C; an x7 ring on top.
{"Telephone Ring  ", 0, 127, kLfoTriangle, kVib, {
  kOff,
  {  5,    0, kSin,  12, 127,   0,   0,  96, 0,127, 0, 0},
  {  5,   64, kSin,  12, 127,   0,   0,  96, 0,127, 0, 0},
  {  7,    0, kSqr,  30, 127,   0,   0,  96, 0,127, 0, 0}}},
// 2: helicopter: one rough, buzzing modulator on two low carriers 700
// units apart: their beat, about 4 Hz at middle C, is the rotor's chop.
{"Helicopter      ", 2,  16, kLfoTriangle, kVib, {
  {  0,-8192, kSin,  44,  80,   0,   0,  66, 0,127, 0, 0},
  {  0,-8192, kSin,  13,  80,   0,   0,  66, 0,127, 0, 0},
  {  0,-7492, kSin,  13,  80,   0,   0,  66, 0,127, 0, 0},
  kOff}},
// 2: applause: bright noise on three carriers, rising and dying.
{"Applause        ", 2,   0, kLfoTriangle, kVib, {
  { 15,    0, kSin,  30,  66,  52, 127,  66, 0,127, 0, 0},
  {  7,    0, kSin,  10,  66,  52, 127,  66, 0,127, 0, 0},
  { 11,  300, kSin,  14,  62,  54, 127,  66, 0,127, 0, 0},
  {  5, -300, kSin,  16,  70,  50, 127,  66, 0,127, 0, 0}}},
// 1: gunshot: a noise blast with a low thump under it.
{"Gunshot         ", 1,   0, kLfoTriangle, kVib, {
  {  3,    0, kSin,  20, 127,  84, 127,  76, 0,127, 0, 0},
  {  0,    0, kSin,   6, 127,  74, 127,  76, 0,127, 0, 0},
  {  0,    0, kSin,  12, 127,  80, 127,  76, 0,127, 0, 0},
  kOff}},
};
// clang-format on

}  // namespace ovri::korvane::factory
