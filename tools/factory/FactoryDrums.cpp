// The factory drum kit: percussion tones for keys 35 to 81, the General MIDI
// drum key layout. Each tone sounds at its own pitch key whatever key
// triggered it, has no key follow, and dies away by itself while the key
// is held (every operator that can keep the note alive decays to sl 127).
//
// Stereo picture: as the drummer sits at a right-handed kit. Hi-hat and
// first crash left, ride and second crash right, toms from high (left of
// centre) to floor (right); kick centred, snare just left of it; hand
// percussion spread around the edges.
//
// Noise comes from operator 0 at fl 0: with its full self-modulation the
// wave folds over itself many times per cycle and aliases into a hiss whose
// colour follows its frequency. Metal (hats, cymbals, bells) comes from
// inharmonic ratios at high index. Operator structures as in
// FactoryInstruments.cpp.
#include "tools/factory/FactoryToneDesign.h"

namespace ovri::korvane::factory {

namespace {
// Pan positions, 0 = left, 64 = centre, 127 = right.
constexpr int32_t kCentre = 64;
constexpr int32_t kHiHatPan = 40;
constexpr int32_t kRidePan = 88;
}  // namespace

// clang-format off
const DrumDesign kDrumDesigns[kDrumCount] = {
//  operator columns:
//  mul  detune wave  tl   ar   dr   sl   rr kf kfs vel lms

// 35: deep kick at 49 Hz. 4: 0 > 1, (1 + 2) > [3]: an x1 index (operator 2)
// that collapses within about 50 ms, heard as the beater's pitch drop, and
// a burst of noise (operators 0 and 1, x7) through the same carrier: the
// click.
{35, 31, kCentre, {"Kick Deep       ", 4,   0, kLfoTriangle, 0, {
  {  7,    0, kSin,  60, 127, 108, 127,  80, 0,127, 3, 0},
  {  7,    0, kSin,  60, 127, 108, 127,  80, 0,127, 3, 0},
  {  1,    0, kSin,  40, 127,  92, 127,  80, 0,127, 4, 0},
  {  1,    0, kSin,   0, 127,  64, 127,  80, 0,127, 1, 0}}}},
// 36: tighter, higher kick at 65 Hz.
{36, 36, kCentre, {"Kick Tight      ", 4,   0, kLfoTriangle, 0, {
  {  9,    0, kSin,  58, 127, 110, 127,  80, 0,127, 3, 0},
  {  5,    0, kSin,  58, 127, 110, 127,  80, 0,127, 3, 0},
  {  1,    0, kSin,  42, 127,  96, 127,  80, 0,127, 4, 0},
  {  1,    0, kSin,   0, 127,  72, 127,  80, 0,127, 1, 0}}}},
// 37: side stick: a woody click, x3.6 on a high body.
{37, 74, 60, {"Side Stick      ", 1,  90, kLfoTriangle, 0, {
  {  3, 2200, kSin,  48, 127, 110, 127,  80, 0,127, 4, 0},
  {  1,    0, kSin,   4, 127,  98, 127,  80, 0,127, 1, 0},
  {  5,  300, kSin,   4, 127, 104, 127,  80, 0,127, 1, 0},
  kOff}}},
// 38: snare: 3: 0 > [1], 2 > [3]. A noise pair for the wires, a pitched
// pair (about 190 Hz) for the shell.
{38, 55, 60, {"Snare Acoustic  ", 3,   0, kLfoTriangle, 0, {
  {  1,    0, kSin,  54, 127,  62, 127,  80, 0,127, 3, 0},
  {  9,    0, kSin,   5, 127,  74, 127,  80, 0,127, 1, 0},
  {  1,    0, kSin,  50, 127, 100, 127,  80, 0,127, 4, 0},
  {  1,    0, kSin,   5, 127,  84, 127,  80, 0,127, 1, 0}}}},
// 39: clap: 2: one noise source on three carriers whose attacks are
// staggered: a few hands that do not quite meet.
{39, 72, 70, {"Hand Clap       ", 2,   0, kLfoTriangle, 0, {
  {  1,    0, kSin,  52, 127,  70, 127,  80, 0,127, 3, 0},
  {  3,    0, kSin,   2, 127,  88, 127,  80, 0,127, 1, 0},
  {  2,  400, kSin,   4, 116,  84, 127,  80, 0,127, 1, 0},
  {  4, -300, kSin,   4, 108,  82, 127,  80, 0,127, 1, 0}}}},
// 40: electric snare: 1: brighter wires (an x13 carrier) and two plain
// shell tones, x1 and x1.6, higher and shorter.
{40, 60, 60, {"Snare Electric  ", 1,   0, kLfoTriangle, 0, {
  {  1,    0, kSin,  48, 127,  66, 127,  80, 0,127, 3, 0},
  { 13,    0, kSin,   8, 127,  80, 127,  80, 0,127, 1, 0},
  {  1,    0, kSin,   8, 127,  90, 127,  80, 0,127, 1, 0},
  {  1, 5600, kSin,   8, 127,  94, 127,  80, 0,127, 1, 0}}}},
// 41..50 toms, from the low floor tom (right) to the high tom (left):
// 3: a pitched head with a short x1 index, and an x13 stick attack on an
// inharmonic x1.18 partial.
{41, 40, 92, {"Floor Tom Low   ", 3,  90, kLfoTriangle, 0, {
  {  1,    0, kSin,  52, 127,  84, 127,  76, 0,127, 4, 0},
  {  1,    0, kSin,   2, 127,  62, 127,  76, 0,127, 1, 0},
  { 13,  700, kSin,  40, 127, 100, 127,  76, 0,127, 4, 0},
  {  1, 2000, kSin,  22, 127,  86, 127,  76, 0,127, 1, 0}}}},
// 42: closed hi-hat. 4: 0 > 1, (1 + 2) > [3]: noise through square-wave
// metal at odd ratios onto a high carrier; 60 ms long.
{42, 84, kHiHatPan, {"Hi-Hat Closed   ", 4,   6, kLfoTriangle, 0, {
  { 13,    0, kSin,  30, 127,  86, 127,  90, 0,127, 3, 0},
  { 11,  900, kSqr,  36, 127,  86, 127,  90, 0,127, 3, 0},
  {  7, 1300, kSqr,  34, 127,  86, 127,  90, 0,127, 3, 0},
  {  8,    0, kSin,   0, 127,  94, 127,  90, 0,127, 1, 0}}}},
{43, 43, 84, {"Floor Tom High  ", 3,  90, kLfoTriangle, 0, {
  {  1,    0, kSin,  52, 127,  85, 127,  76, 0,127, 4, 0},
  {  1,    0, kSin,   2, 127,  63, 127,  76, 0,127, 1, 0},
  { 13,  700, kSin,  40, 127, 100, 127,  76, 0,127, 4, 0},
  {  1, 2000, kSin,  22, 127,  87, 127,  76, 0,127, 1, 0}}}},
// 44: pedal hi-hat: the closed hat's metal, softer and dull.
{44, 80, kHiHatPan, {"Hi-Hat Pedal    ", 4,   8, kLfoTriangle, 0, {
  { 11,    0, kSin,  34, 127,  88, 127,  90, 0,127, 3, 0},
  { 11,  900, kSqr,  40, 127,  88, 127,  90, 0,127, 3, 0},
  {  7, 1300, kSqr,  38, 127,  88, 127,  90, 0,127, 3, 0},
  {  7,    0, kSin,   0, 127,  96, 127,  90, 0,127, 1, 0}}}},
{45, 47, 76, {"Tom Low         ", 3,  90, kLfoTriangle, 0, {
  {  1,    0, kSin,  52, 127,  86, 127,  76, 0,127, 4, 0},
  {  1,    0, kSin,   0, 127,  64, 127,  76, 0,127, 1, 0},
  { 13,  700, kSin,  40, 127, 100, 127,  76, 0,127, 4, 0},
  {  1, 2000, kSin,  19, 127,  88, 127,  76, 0,127, 1, 0}}}},
// 46: open hi-hat: the same metal left to ring for most of a second.
{46, 84, kHiHatPan, {"Hi-Hat Open     ", 4,   6, kLfoTriangle, 0, {
  { 13,    0, kSin,  30, 127,  56, 127,  86, 0,127, 3, 0},
  { 11,  900, kSqr,  36, 127,  56, 127,  86, 0,127, 3, 0},
  {  7, 1300, kSqr,  34, 127,  56, 127,  86, 0,127, 3, 0},
  {  8,    0, kSin,   8, 127,  64, 127,  86, 0,127, 1, 0}}}},
{47, 50, 66, {"Tom Low-Mid     ", 3,  90, kLfoTriangle, 0, {
  {  1,    0, kSin,  53, 127,  87, 127,  76, 0,127, 4, 0},
  {  1,    0, kSin,   0, 127,  65, 127,  76, 0,127, 1, 0},
  { 13,  700, kSin,  40, 127, 100, 127,  76, 0,127, 4, 0},
  {  1, 2000, kSin,  19, 127,  89, 127,  76, 0,127, 1, 0}}}},
{48, 53, 56, {"Tom High-Mid    ", 3,  90, kLfoTriangle, 0, {
  {  1,    0, kSin,  53, 127,  88, 127,  76, 0,127, 4, 0},
  {  1,    0, kSin,   0, 127,  66, 127,  76, 0,127, 1, 0},
  { 13,  700, kSin,  40, 127, 100, 127,  76, 0,127, 4, 0},
  {  1, 2000, kSin,  18, 127,  90, 127,  76, 0,127, 1, 0}}}},
// 49: crash: dense noisy metal, loud splash that rings out in ~2.5 s.
{49, 86, 36, {"Crash Cymbal 1  ", 4,   0, kLfoTriangle, 0, {
  { 15,    0, kSin,  26, 127,  44, 127,  72, 0,127, 3, 0},
  {  9, 1700, kSqr,  32, 127,  44, 127,  72, 0,127, 3, 0},
  {  5,  500, kSqr,  34, 127,  44, 127,  72, 0,127, 3, 0},
  {  6,    0, kSin,   8, 120,  50, 127,  72, 0,127, 1, 0}}}},
{50, 57, 46, {"Tom High        ", 3,  90, kLfoTriangle, 0, {
  {  1,    0, kSin,  54, 127,  89, 127,  76, 0,127, 4, 0},
  {  1,    0, kSin,   0, 127,  67, 127,  76, 0,127, 1, 0},
  { 13,  700, kSin,  40, 127, 100, 127,  76, 0,127, 4, 0},
  {  1, 2000, kSin,  17, 127,  91, 127,  76, 0,127, 1, 0}}}},
// 51: ride: 3: a noisy wash pair, and an x3.3 modulator on a clear x4
// ping.
{51, 84, kRidePan, {"Ride Cymbal 1   ", 3,   0, kLfoTriangle, 0, {
  { 15,    0, kSin,  28, 127,  46, 127,  72, 0,127, 3, 0},
  {  9,    0, kSin,  18, 127,  54, 127,  72, 0,127, 1, 0},
  {  3, 1100, kSin,  50, 127,  52, 127,  72, 0,127, 4, 0},
  {  4,    0, kSin,   8, 127,  56, 127,  72, 0,127, 1, 0}}}},
// 52: china: trashy square metal with a harsh, quick decay.
{52, 82, 104, {"China Cymbal    ", 7,   0, kLfoTriangle, 0, {
  { 15,    0, kSqr,  28, 127,  48, 127,  72, 0,127, 3, 0},
  {  7, 2100, kSqr,  30, 127,  48, 127,  72, 0,127, 3, 0},
  {  3,  600, kSqr,  36, 127,  48, 127,  72, 0,127, 3, 0},
  {  5,    0, kSin,   8, 127,  56, 127,  72, 0,127, 1, 0}}}},
// 53: ride bell: inharmonic bell pairs, hard and pingy.
{53, 88, kRidePan, {"Ride Bell       ", 3, 127, kLfoTriangle, 0, {
  {  3,  900, kSin,  48, 127,  60, 127,  72, 0,127, 4, 0},
  {  2,    0, kSin,  10, 127,  54, 127,  72, 0,127, 1, 0},
  {  5, 1400, kSin,  52, 127,  64, 127,  72, 0,127, 4, 0},
  {  1,    0, kSin,  14, 127,  56, 127,  72, 0,127, 1, 0}}}},
// 54: tambourine: bright jingle noise on three carriers with a little
// shake in the attack.
{54, 90, 76, {"Tambourine      ", 2,   0, kLfoTriangle, 0, {
  { 15,    0, kSin,  24, 127,  62, 127,  80, 0,127, 3, 0},
  {  5,    0, kSin,   9, 127,  74, 127,  80, 0,127, 1, 0},
  {  7,  300, kSin,  11, 118,  72, 127,  80, 0,127, 1, 0},
  {  3, -200, kSin,  15, 112,  70, 127,  80, 0,127, 1, 0}}}},
// 55: splash: a small, quick crash.
{55, 90, 48, {"Splash Cymbal   ", 4,   0, kLfoTriangle, 0, {
  { 15,    0, kSin,  26, 127,  54, 127,  76, 0,127, 3, 0},
  {  9, 1700, kSqr,  32, 127,  54, 127,  76, 0,127, 3, 0},
  {  5,  500, kSqr,  34, 127,  54, 127,  76, 0,127, 3, 0},
  {  6,    0, kSin,   6, 124,  62, 127,  76, 0,127, 1, 0}}}},
// 56: cowbell: two square-ish tones about a sixth apart (x1, x1.47),
// each lightly modulated.
{56, 73, 72, {"Cowbell         ", 3, 100, kLfoTriangle, 0, {
  {  1,    0, kSin,  60, 127,  80, 127,  80, 0,127, 4, 0},
  {  1,    0, kSqr,   5, 127,  76, 127,  80, 0,127, 1, 0},
  {  3,    0, kSin,  62, 127,  80, 127,  80, 0,127, 4, 0},
  {  1, 4600, kSqr,   7, 127,  76, 127,  80, 0,127, 1, 0}}}},
// 57: second crash: lower and darker than the first, to the right.
{57, 80, 96, {"Crash Cymbal 2  ", 4,   0, kLfoTriangle, 0, {
  { 15,    0, kSin,  26, 127,  42, 127,  72, 0,127, 3, 0},
  {  7, 2300, kSqr,  32, 127,  42, 127,  72, 0,127, 3, 0},
  {  5,  900, kSqr,  36, 127,  42, 127,  72, 0,127, 3, 0},
  {  5,    0, kSin,   8, 118,  50, 127,  72, 0,127, 1, 0}}}},
// 58: vibraslap: 2: noise over two x3 carriers 150 units apart (a
// 20 Hz rattle) and a woody x1 knock.
{58, 72, 30, {"Vibraslap       ", 2,  10, kLfoTriangle, 0, {
  {  5,    0, kSin,  36, 127,  50, 127,  76, 0,127, 3, 0},
  {  3,    0, kSin,  11, 127,  56, 127,  76, 0,127, 1, 0},
  {  3,  150, kSin,  11, 127,  56, 127,  76, 0,127, 1, 0},
  {  1,    0, kSin,  17, 127,  90, 127,  76, 0,127, 1, 0}}}},
// 59: second ride: drier, more ping than wash.
{59, 86, 92, {"Ride Cymbal 2   ", 3,   0, kLfoTriangle, 0, {
  { 15,    0, kSin,  30, 127,  50, 127,  72, 0,127, 3, 0},
  { 11,    0, kSin,  22, 127,  58, 127,  72, 0,127, 1, 0},
  {  5,  700, kSin,  50, 127,  54, 127,  72, 0,127, 4, 0},
  {  3,    0, kSin,   7, 127,  58, 127,  72, 0,127, 1, 0}}}},
// 60, 61: bongos: 1: a slapped x1 index on a tight head, an x2 ring.
{60, 76, 84, {"Bongo High      ", 1,  80, kLfoTriangle, 0, {
  {  1,    0, kSin,  52, 127, 100, 127,  80, 0,127, 4, 0},
  {  1,    0, kSin,   3, 127,  82, 127,  80, 0,127, 1, 0},
  {  2,  200, kSin,  14, 127,  92, 127,  80, 0,127, 1, 0},
  kOff}}},
{61, 69, 92, {"Bongo Low       ", 1,  80, kLfoTriangle, 0, {
  {  1,    0, kSin,  52, 127,  98, 127,  80, 0,127, 4, 0},
  {  1,    0, kSin,   0, 127,  78, 127,  80, 0,127, 1, 0},
  {  2,  200, kSin,  19, 127,  90, 127,  80, 0,127, 1, 0},
  kOff}}},
// 62..64: congas: a deeper head with a short x3.1 slap tone on top.
{62, 72, 36, {"Conga High Mute ", 1,  70, kLfoTriangle, 0, {
  {  1,    0, kSin,  48, 127, 104, 127,  80, 0,127, 4, 0},
  {  1,    0, kSin,   6, 127,  92, 127,  80, 0,127, 1, 0},
  {  3,  300, kSin,   8, 127, 100, 127,  80, 0,127, 1, 0},
  kOff}}},
{63, 69, 36, {"Conga High Open ", 1,  90, kLfoTriangle, 0, {
  {  1,    0, kSin,  54, 127,  92, 127,  80, 0,127, 4, 0},
  {  1,    0, kSin,   1, 127,  72, 127,  80, 0,127, 1, 0},
  {  3,  300, kSin,  26, 127,  96, 127,  80, 0,127, 1, 0},
  kOff}}},
{64, 62, 28, {"Conga Low       ", 1,  90, kLfoTriangle, 0, {
  {  1,    0, kSin,  54, 127,  90, 127,  80, 0,127, 4, 0},
  {  1,    0, kSin,   2, 127,  70, 127,  80, 0,127, 1, 0},
  {  3,  300, kSin,  28, 127,  94, 127,  80, 0,127, 1, 0},
  kOff}}},
// 65, 66: timbales: a bright head and a metal shell ring (x3.1).
{65, 79, 100, {"Timbale High    ", 3,  80, kLfoTriangle, 0, {
  {  1,    0, kSin,  50, 127,  96, 127,  80, 0,127, 4, 0},
  {  1,    0, kSin,   3, 127,  76, 127,  80, 0,127, 1, 0},
  {  5,  800, kSin,  56, 127,  80, 127,  80, 0,127, 4, 0},
  {  3,  400, kSin,  17, 127,  70, 127,  80, 0,127, 1, 0}}}},
{66, 72, 108, {"Timbale Low     ", 3,  80, kLfoTriangle, 0, {
  {  1,    0, kSin,  50, 127,  94, 127,  80, 0,127, 4, 0},
  {  1,    0, kSin,   3, 127,  74, 127,  80, 0,127, 1, 0},
  {  5,  800, kSin,  56, 127,  78, 127,  80, 0,127, 4, 0},
  {  3,  400, kSin,  17, 127,  68, 127,  80, 0,127, 1, 0}}}},
// 67, 68: agogo bells: inharmonic bell pairs.
{67, 86, 20, {"Agogo High      ", 3, 127, kLfoTriangle, 0, {
  {  5,  900, kSin,  54, 127,  76, 127,  80, 0,127, 4, 0},
  {  1,    0, kSin,   4, 127,  68, 127,  80, 0,127, 1, 0},
  {  3, 2000, kSin,  56, 127,  80, 127,  80, 0,127, 4, 0},
  {  2, -300, kSin,  14, 127,  72, 127,  80, 0,127, 1, 0}}}},
{68, 81, 24, {"Agogo Low       ", 3, 127, kLfoTriangle, 0, {
  {  5,  900, kSin,  54, 127,  74, 127,  80, 0,127, 4, 0},
  {  1,    0, kSin,   6, 127,  66, 127,  80, 0,127, 1, 0},
  {  3, 2000, kSin,  56, 127,  78, 127,  80, 0,127, 4, 0},
  {  2, -300, kSin,  16, 127,  70, 127,  80, 0,127, 1, 0}}}},
// 69: cabasa: a short, bright scrape of noise with a soft onset.
{69, 96, 100, {"Cabasa          ", 1,   0, kLfoTriangle, 0, {
  { 15,    0, kSin,  24, 118,  80, 127,  90, 0,127, 3, 0},
  {  7,    0, kSin,   0, 118,  88, 127,  90, 0,127, 1, 0},
  kOff,
  kOff}}},
// 70: maracas: a shorter, softer shake.
{70, 100, 44, {"Maracas         ", 1,   0, kLfoTriangle, 0, {
  { 15,    0, kSin,  26, 122,  90, 127,  90, 0,127, 3, 0},
  {  5,    0, kSin,   0, 122,  98, 127,  90, 0,127, 1, 0},
  kOff,
  kOff}}},
// 71, 72: whistles: a pea whistle's trill from two carriers 90 units
// apart, with a breath of noise.
{71, 95, 80, {"Whistle Short   ", 2,   8, kLfoTriangle, 0, {
  { 15,    0, kSin,  64, 112,  90, 127,  86, 0,127, 3, 0},
  {  1,    0, kSin,   2, 112,  88, 127,  86, 0,127, 1, 0},
  {  1,   90, kSin,   2, 112,  88, 127,  86, 0,127, 1, 0},
  kOff}}},
{72, 95, 80, {"Whistle Long    ", 2,   8, kLfoTriangle, 0, {
  { 15,    0, kSin,  64, 108,  62, 127,  80, 0,127, 3, 0},
  {  1,    0, kSin,  10, 108,  60, 127,  80, 0,127, 1, 0},
  {  1,   90, kSin,  10, 108,  60, 127,  80, 0,127, 1, 0},
  kOff}}},
// 73, 74: guiro: 2: one noise source on two carriers 170 units apart:
// their beat (about 30 Hz) is the ratchet of the scrape.
{73, 72, 104, {"Guiro Short     ", 2,   0, kLfoTriangle, 0, {
  {  5,    0, kSin,  30, 116,  78, 127,  86, 0,127, 3, 0},
  {  4,    0, kSin,   1, 116,  86, 127,  86, 0,127, 1, 0},
  {  4,  170, kSin,   1, 116,  86, 127,  86, 0,127, 1, 0},
  kOff}}},
{74, 72, 104, {"Guiro Long      ", 2,   0, kLfoTriangle, 0, {
  {  5,    0, kSin,  30, 100,  60, 127,  80, 0,127, 3, 0},
  {  4,    0, kSin,  12, 100,  68, 127,  80, 0,127, 1, 0},
  {  4,  170, kSin,  12, 100,  68, 127,  80, 0,127, 1, 0},
  kOff}}},
// 75: claves: a hard, high wooden click at 2.5 kHz.
{75, 99, 88, {"Claves          ", 1, 100, kLfoTriangle, 0, {
  {  1,    0, kSin,  60, 127, 104, 127,  86, 0,127, 4, 0},
  {  1,    0, kSin,   0, 127,  90, 127,  86, 0,127, 1, 0},
  kOff,
  kOff}}},
// 76, 77: wood blocks: a hollow knock (x3.7 modulator) on a high body.
{76, 84, 96, {"Wood Block High ", 1,  90, kLfoTriangle, 0, {
  {  3, 2500, kSin,  54, 127, 104, 127,  86, 0,127, 4, 0},
  {  1,    0, kSin,   6, 127,  94, 127,  86, 0,127, 1, 0},
  {  2,    0, kSin,   9, 127, 100, 127,  86, 0,127, 1, 0},
  kOff}}},
{77, 79, 100, {"Wood Block Low  ", 1,  90, kLfoTriangle, 0, {
  {  3, 2500, kSin,  54, 127, 102, 127,  86, 0,127, 4, 0},
  {  1,    0, kSin,   6, 127,  92, 127,  86, 0,127, 1, 0},
  {  2,    0, kSin,   9, 127,  98, 127,  86, 0,127, 1, 0},
  kOff}}},
// 78, 79: cuica: a squeezed, vowel-like whoop: a low-ratio modulator
// whose index falls quickly over a steadier carrier.
{78, 74, 32, {"Cuica Mute      ", 1, 100, kLfoTriangle, 0, {
  {  0,    0, kSin,  40, 127,  90, 127,  86, 0,127, 4, 0},
  {  1,    0, kSin,   3, 116,  86, 127,  86, 0,127, 1, 0},
  {  2,    0, kSin,  14, 116,  90, 127,  86, 0,127, 1, 0},
  kOff}}},
{79, 67, 32, {"Cuica Open      ", 1, 100, kLfoTriangle, 0, {
  {  0,    0, kSin,  40, 116,  76, 127,  86, 0,127, 4, 0},
  {  1,    0, kSin,   3, 110,  72, 127,  86, 0,127, 1, 0},
  {  2,    0, kSin,  21, 110,  76, 127,  86, 0,127, 1, 0},
  kOff}}},
// 80, 81: triangles: a high, nearly pure ring with inharmonic x2.8 and
// x4.2 shimmer; choked or let ring.
{80, 93, 16, {"Triangle Mute   ", 3, 127, kLfoTriangle, 0, {
  {  3, -850, kSin,  62, 127,  90, 127,  86, 0,127, 4, 0},
  {  1,    0, kSin,   8, 127,  86, 127,  86, 0,127, 1, 0},
  {  4,  600, kSin,  64, 127,  90, 127,  86, 0,127, 4, 0},
  {  3,  400, kSin,   8, 127,  86, 127,  86, 0,127, 1, 0}}}},
{81, 93, 16, {"Triangle Open   ", 3, 127, kLfoTriangle, 0, {
  {  3, -850, kSin,  62, 127,  52, 127,  72, 0,127, 4, 0},
  {  1,    0, kSin,  10, 127,  48, 127,  72, 0,127, 1, 0},
  {  4,  600, kSin,  64, 127,  54, 127,  72, 0,127, 4, 0},
  {  3,  400, kSin,  18, 127,  50, 127,  72, 0,127, 1, 0}}}},
};
// clang-format on

}  // namespace ovri::korvane::factory
