#pragma once

#include <string>

namespace ovri::korvane::test {

// Compares a written PNG with a committed reference: equal sizes and at
// most maxBadFraction of the pixels differing by more than tolerance in
// some channel. With KORVANE_UPDATE_GUI_REFERENCES=1 in the environment the
// reference is replaced by the actual image instead (and the result is
// true). message says what differed.
bool matchesReference(const std::string& actualPng, const std::string& referencePng, std::string& message,
                      int tolerance = 40, double maxBadFraction = 0.002);

}  // namespace ovri::korvane::test
