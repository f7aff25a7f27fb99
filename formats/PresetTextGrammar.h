#pragma once

// The line grammar shared by the three preset text files: how records are
// found in a file's text and split into tokens, and how tokens become
// numbers. The kind-specific readers (TonePresetText.h, SamplerPresetText.h,
// SampleDataParameterText.h) give each token its field.

#include "tonegen/SoundFields.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ovri::korvane::formats {

enum class RecordKind {
  kTonePreset,            // "@I:" records, slots 0..255
  kSamplerPreset,         // "@S:" records, slots 0..127
  kSampleDataParameters,  // "@:" records, slots 0..127
};

// Record patterns (ECMAScript). A record starts at the beginning of a line
// (after blanks and tabs) with its marker and slot number; its fields are
// separated by runs of comma, blank, tab, newline or carriage return, so one
// record may continue over several lines. The name is exactly 16 printable
// ASCII characters between double quotes (a quote among them is allowed).
inline constexpr const char* kTonePresetPattern =
    "^[ \t]*@I:[0-9]+[, \t\n\r]+\"[ -~]{16}\"([, \t\n\r]+[0-9]+){54}";
inline constexpr const char* kSamplerPresetPattern =
    "^[ \t]*@S:[0-9]+[, \t\n\r]+\"[ -~]{16}\"([, \t\n\r]+[0-9]+){9}";
inline constexpr const char* kSampleDataParametersPattern =
    "^[ \t]*@:[0-9]+([, \t\n\r]+[0-9]+){4}[, \t\n\r]+([0-9]+\\.[0-9]+)";

// Token patterns, applied to the text of one record: the first token is the
// slot number, then (presets only) the quoted name, then the numbers in field
// order. In a sample data record an integer is a digit run not followed by a
// point; the pitch is digits, a point and digits.
inline constexpr const char* kPresetTokenPattern = "[0-9]+|\"[ -~]{16}\"";
inline constexpr const char* kSampleDataTokenPattern =
    "(?![0-9]+\\.|\\.[0-9]+)[0-9]+|[0-9]+\\.[0-9]+";

// Longest stretch of text, counted from the start of a record's line, that is
// examined for one record. The standard library's regular expression matcher
// recurses once per character it consumes (about 300 bytes of stack per
// character in an optimised build, four times that with address sanitizer),
// so an unbounded match over a long run of digits or separators would
// overflow the stack of the thread that reads the file. The longest record
// the writers produce is about 350 characters; a record that does not end
// within this many characters of its line start is treated as not matching.
constexpr std::size_t kMaxRecordLength = 1024;

// Value counts of a complete record (after slot and name), as the record
// patterns spell them: the field tables of SoundFields.h.
constexpr std::size_t kToneValueCount = synth::kToneValueCount;        // {54} above
constexpr std::size_t kSamplerValueCount = synth::kSamplerValueCount;  // {9} above
static_assert(kToneValueCount == 54 && kSamplerValueCount == 9, "record patterns spell these counts");
// slot, four points, pitch
constexpr std::size_t kSampleDataTokenCount = 6;

// The text of every record of the given kind in text, in file order.
// Matches are searched one after the other, each search starting where the
// previous match ended; a record must begin at the start of the text or right
// after a '\n' (a '\r' alone does not start a line). Lines that do not match
// are skipped.
std::vector<std::string> findRecords(const std::string& text, RecordKind kind);

// The tokens of one record found by findRecords, in order.
std::vector<std::string> recordTokens(const std::string& record, RecordKind kind);

// Decimal conversion of an unsigned digit token. False (and value untouched)
// when the token is not all digits or does not fit in an int32.
bool tokenToInt(const std::string& token, int32_t& value);

// Copies the 16 characters between the quotes of a name token into name
// (kPresetNameLength + 1 characters, zero-terminated). False, and nothing
// written, unless the token is a quote, 16 characters and a quote.
bool nameTokenToName(const std::string& token, char* name);

// Appends a stored name as the writers put it between its quotes: up to its
// zero byte, and never more than its 16 characters.
void appendStoredName(std::string& out, const char* name);

// Conversion of a "digits.digits" token. False when it is malformed or its
// value lies beyond the range of a float (the pitch is stored as a float).
bool tokenToPitch(const std::string& token, double& value);

}  // namespace ovri::korvane::formats
