#include "formats/PresetTextGrammar.h"

#include "tonegen/SoundData.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <regex>
#include <string_view>
#include <system_error>

namespace ovri::korvane::formats {

namespace {

struct KindGrammar {
  std::regex record;
  std::regex token;
  std::string_view marker;  // what follows the indentation of a record's line
};

// Built once on first use; matching with a const std::regex is safe from
// any thread.
const KindGrammar& grammarFor(RecordKind kind) {
  static const KindGrammar tone{std::regex(kTonePresetPattern, std::regex::ECMAScript),
                                std::regex(kPresetTokenPattern, std::regex::ECMAScript), "@I:"};
  static const KindGrammar sampler{std::regex(kSamplerPresetPattern, std::regex::ECMAScript),
                                   std::regex(kPresetTokenPattern, std::regex::ECMAScript), "@S:"};
  static const KindGrammar sampleData{
      std::regex(kSampleDataParametersPattern, std::regex::ECMAScript),
      std::regex(kSampleDataTokenPattern, std::regex::ECMAScript), "@:"};
  switch (kind) {
    case RecordKind::kTonePreset: return tone;
    case RecordKind::kSamplerPreset: return sampler;
    case RecordKind::kSampleDataParameters: break;
  }
  return sampleData;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Cheap necessary condition of every record pattern: after the line's blanks
// and tabs comes the marker. Saves running the matcher on ordinary lines.
bool startsWithMarker(const std::string& text, std::size_t lineStart, std::string_view marker) {
  std::size_t p = lineStart;
  while (p < text.size() && (text[p] == ' ' || text[p] == '\t')) ++p;
  return text.compare(p, marker.size(), marker) == 0;
}

// Length of the record that starts at lineStart, or 0 when there is none.
//
// The record patterns begin with "^", which must hold at the start of the
// text and after every '\n'. Instead of relying on a multiline matching mode
// (whose line terminators also include '\r'), the caller only ever hands in
// line starts, and the match is anchored there with match_continuous: the
// matched range begins at the line start, where "^" holds without
// match_prev_avail.
//
// The match is confined to kMaxRecordLength characters. Every record pattern
// admits exactly one way to match (each repetition is followed by a character
// it cannot consume), so a match inside the window equals the match over the
// whole text, unless the window cut through the record's last digit run; that
// case, seen as a match ending at the window's edge before another digit, is
// a record longer than the limit and is rejected.
std::size_t matchRecordAt(const std::string& text, std::size_t lineStart, const std::regex& pattern) {
  const std::size_t windowEnd = lineStart + std::min(kMaxRecordLength, text.size() - lineStart);
  std::smatch match;
  const auto first = text.begin() + static_cast<std::ptrdiff_t>(lineStart);
  const auto last = text.begin() + static_cast<std::ptrdiff_t>(windowEnd);
  if (!std::regex_search(first, last, match, pattern, std::regex_constants::match_continuous))
    return 0;
  const std::size_t end = lineStart + static_cast<std::size_t>(match.length(0));
  if (end == windowEnd && windowEnd < text.size() && isDigit(text[windowEnd])) return 0;
  return end - lineStart;
}

}  // namespace

std::vector<std::string> findRecords(const std::string& text, RecordKind kind) {
  std::vector<std::string> records;
  const KindGrammar& grammar = grammarFor(kind);
  std::size_t lineStart = 0;
  while (lineStart < text.size()) {
    std::size_t resumeAt = lineStart;  // where the search for the next line goes on
    if (startsWithMarker(text, lineStart, grammar.marker)) {
      std::size_t length = 0;
      try {
        length = matchRecordAt(text, lineStart, grammar.record);
      } catch (const std::regex_error&) {
        length = 0;  // the matcher gave up: the line counts as not matching
      }
      if (length > 0) {
        records.push_back(text.substr(lineStart, length));
        // A match ends on a digit, never on a line start, so the next record
        // can only begin at a line that starts after it.
        resumeAt = lineStart + length;
      }
    }
    const std::size_t newline = text.find('\n', resumeAt);
    if (newline == std::string::npos) break;
    lineStart = newline + 1;
  }
  return records;
}

std::vector<std::string> recordTokens(const std::string& record, RecordKind kind) {
  std::vector<std::string> tokens;
  const std::regex& pattern = grammarFor(kind).token;
  try {
    for (std::sregex_iterator it(record.begin(), record.end(), pattern), end; it != end; ++it)
      tokens.push_back(it->str());
  } catch (const std::regex_error&) {
    tokens.clear();  // an incomplete token list fails every reader's count check
  }
  return tokens;
}

bool tokenToInt(const std::string& token, int32_t& value) {
  if (token.empty()) return false;
  for (char c : token)
    if (!isDigit(c)) return false;
  int32_t parsed = 0;
  const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), parsed, 10);
  if (error != std::errc() || end != token.data() + token.size()) return false;
  value = parsed;
  return true;
}

bool nameTokenToName(const std::string& token, char* name) {
  constexpr std::size_t kTokenLength = synth::kPresetNameLength + 2;
  if (token.size() != kTokenLength || token.front() != '"' || token.back() != '"') return false;
  token.copy(name, synth::kPresetNameLength, 1);
  name[synth::kPresetNameLength] = 0;
  return true;
}

void appendStoredName(std::string& out, const char* name) {
  std::size_t length = 0;
  while (length < static_cast<std::size_t>(synth::kPresetNameLength) && name[length] != 0) ++length;
  out.append(name, length);
}

bool tokenToPitch(const std::string& token, double& value) {
  const std::size_t point = token.find('.');
  if (point == std::string::npos || point == 0 || point + 1 == token.size()) return false;
  for (std::size_t i = 0; i < token.size(); ++i)
    if (i != point && !isDigit(token[i])) return false;
  // from_chars reads the point whatever the process locale is.
  double parsed = 0.0;
  const auto [end, error] =
      std::from_chars(token.data(), token.data() + token.size(), parsed, std::chars_format::fixed);
  if (error != std::errc() || end != token.data() + token.size()) return false;
  if (!(parsed <= static_cast<double>(std::numeric_limits<float>::max()))) return false;
  value = parsed;
  return true;
}

}  // namespace ovri::korvane::formats
