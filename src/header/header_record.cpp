#include "header/header_record.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "frames/file_name.h"

namespace vantorel {

namespace {

constexpr std::string_view FilterNames[FilterPositions] = {
    "Wide-angle image relay mirror",
    "Blue bandpass",
    "UV polarizing",
    "Minus UV high pass",
    "Clear",
    "UV bandpass",
    "Defocusing lens",
    "Yellow bandpass)",
};

// The wheel's colours by position, as FilterNames; 0 nm for no filter.
constexpr FilterColor Mariner10FilterColors[FilterPositions] = {
    {0, false}, {475, false}, {358, true}, {510, false}, {490, true}, {355, false}, {0, false}, {575, false},
};

struct ColorWord {
  std::string_view Word;
  int WavelengthNm;
};
constexpr ColorWord Mariner9FilterColors[] = {
    {"VIOLET", 420}, {"BLUE", 470}, {"GREEN", 540}, {"YELLOW", 560}, {"ORANGE", 590}, {"RED", 620},
};

std::string TwoDigits(int value) { return {char('0' + value / 10), char('0' + value % 10)}; }

bool LeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

// "hh?mm?ss" with one separator, ':' or '/', all three parts in range.
std::optional<std::string> WholeTime(std::string_view gmt) {
  if (gmt.size() != 8 || gmt[2] != gmt[5] || (gmt[2] != '/' && gmt[2] != ':')) return std::nullopt;
  const auto hour = WholeNumber(gmt.substr(0, 2)), minute = WholeNumber(gmt.substr(3, 2)),
             second = WholeNumber(gmt.substr(6, 2));
  if (!hour || !minute || !second || *hour >= 24 || *minute >= 60 || *second >= 60) return std::nullopt;
  return TwoDigits(*hour) + ':' + TwoDigits(*minute) + ':' + TwoDigits(*second);
}

std::vector<std::string> Words(std::string_view line) {
  std::vector<std::string> words;
  std::istringstream stream{std::string(line)};
  for (std::string word; stream >> word;) words.push_back(word);
  return words;
}

bool AllLetters(std::string_view word) {
  return !word.empty() && std::ranges::all_of(word, [](char c) { return c >= 'A' && c <= 'Z'; });
}

// "0.0480" as seconds; nothing unless digits with at most one point.
std::optional<double> DecimalNumber(std::string_view text) {
  const std::size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  if ((!whole.empty() && !WholeNumber(whole)) || (!fraction.empty() && !WholeNumber(fraction))) return std::nullopt;
  if (whole.empty() && fraction.empty()) return std::nullopt;
  return std::strtod(std::string(text).c_str(), nullptr);
}

// "1972/01/12" (year, month, day) or "71-320" (year, day of the year).
void ReadDate(std::string_view date, ObservationTime& observed) {
  int year = 0, day = 0;
  if (date.size() == 10 && date[4] == '/' && date[7] == '/') {
    const auto y = WholeNumber(date.substr(0, 4)), m = WholeNumber(date.substr(5, 2)),
               d = WholeNumber(date.substr(8, 2));
    if (!y || !m || !d || *m < 1 || *m > 12 || *d < 1) return;
    const int monthDays[] = {31, LeapYear(*y) ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (*d > monthDays[*m - 1]) return;
    year = *y;
    day = *d;
    for (int month = 1; month < *m; ++month) day += monthDays[month - 1];
  } else if (date.size() == 6 && date[2] == '-') {
    const auto y = WholeNumber(date.substr(0, 2)), d = WholeNumber(date.substr(3, 3));
    if (!y || !d) return;
    year = 1900 + *y;
    day = *d;
  } else {
    return;
  }
  observed.Year = std::to_string(year);
  observed.DayOfYear = std::to_string(day);
  observed.DayOfYear->insert(0, 3 - std::min<std::size_t>(3, observed.DayOfYear->size()), '0');
}

}  // namespace

std::string_view SpacecraftName(DataSet dataSet) { return dataSet == DataSet::Mariner9 ? "Mariner 9" : "Mariner 10"; }

std::string_view NssdcDataSetId(DataSet dataSet) { return dataSet == DataSet::Mariner9 ? "PSPG-00235" : "PSPA-00108"; }

std::string_view Mariner10FilterCaption(int position) { return FilterNames[position - 1]; }

std::string_view Mariner10FilterName(int position) {
  std::string_view name = Mariner10FilterCaption(position);
  if (name.ends_with(')') && name.find('(') == std::string_view::npos) name.remove_suffix(1);
  return name;
}

std::optional<FilterColor> FilterColorOf(const HeaderRecord& record) {
  if (record.Kind == DataSet::Mariner10) {
    const int position = record.FilterNumber.value_or(0);
    if (position < 1 || position > FilterPositions || Mariner10FilterColors[position - 1].WavelengthNm == 0)
      return std::nullopt;
    return Mariner10FilterColors[position - 1];
  }
  if (!record.FilterName) return std::nullopt;
  for (const ColorWord& color : Mariner9FilterColors)
    if (SameIgnoringAsciiCase(*record.FilterName, color.Word)) return FilterColor{color.WavelengthNm, false};
  return std::nullopt;
}

std::optional<int> WholeNumber(std::string_view text) {
  if (text.empty() || text.size() > 9 || !std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  int value = 0;
  for (const char c : text) value = value * 10 + (c - '0');
  return value;
}

std::optional<std::string> Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return std::nullopt;
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

std::optional<std::string> UtcTimestamp(int fullYear, int dayOfYear, std::string_view gmt) {
  const bool leap = LeapYear(fullYear);
  if (dayOfYear < 1 || dayOfYear > (leap ? 366 : 365)) return std::nullopt;
  const int monthDays[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int month = 0, dayOfMonth = dayOfYear;
  while (dayOfMonth > monthDays[month]) dayOfMonth -= monthDays[month++];
  std::string stamp = std::to_string(fullYear) + '-' + TwoDigits(month + 1) + '-' + TwoDigits(dayOfMonth);
  // A whole date stands without the time when the time is not a real one.
  if (const auto time = WholeTime(gmt)) stamp += 'T' + *time;
  return stamp;
}

void ReadMariner9Lines(const std::array<std::string, 12>& lines, HeaderRecord& record) {
  std::optional<int> orbit;
  for (const std::string& line : lines) {
    const std::vector<std::string> words = Words(line);
    for (std::size_t i = 0; i + 1 < words.size(); ++i) {
      const std::string& word = words[i];
      const std::string& next = words[i + 1];
      if ((word == "CAM" || word == "CAMERA") && next.size() == 1 && (next == "A" || next == "B")) {
        record.Camera = next.front();
      } else if (word == "PIC" || word == "PICNO") {
        record.PictureNumber = next;
      } else if (word == "FILTER" && WholeNumber(next)) {
        record.FilterNumber = WholeNumber(next);
        if (AllLetters(words.back()) && words.size() > i + 2) record.FilterName = words.back();
      } else if (word == "EXPOSURE" && i + 2 < words.size() && words[i + 2] == "SEC") {
        record.ExposureSeconds = DecimalNumber(next);
      } else if (word == "DATE") {
        ReadDate(next, record.Observed);
      } else if (word == "GMT" && WholeTime(next)) {
        record.Observed.Gmt = next;
      } else if (word == "TARGET" && AllLetters(next)) {
        record.Target = next;
      } else if (word == "REV" && WholeNumber(next)) {
        record.Revolution = WholeNumber(next);
      } else if ((word == "ORB" || word == "ORBIT") && WholeNumber(next) && !orbit) {
        orbit = WholeNumber(next);
      }
    }
  }
  if (!record.Revolution) record.Revolution = orbit;
  ObservationTime& observed = record.Observed;
  if (observed.Year && observed.DayOfYear)
    observed.Utc = UtcTimestamp(std::stoi(*observed.Year), std::stoi(*observed.DayOfYear), observed.Gmt.value_or(""));
}

}  // namespace vantorel
