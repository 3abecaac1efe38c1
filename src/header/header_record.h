// What a frame's header says, as data: one record for both data sets, read
// from the decoded header. Every text a reader sees (the Info boxes, the label
// cards, JSON, FITS keywords, PNG text) is formatted from here.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace vantorel {

// Which data set's header a frame has; the values are those the Info box code knows.
enum class DataSet : int { Mariner10 = 1, Mariner9 = 2 };

// When the picture was taken, as far as the header tells.
struct ObservationTime {
  std::optional<std::string> Year;       // as the header gives it: "74" (Mariner 10), "1972" (Mariner 9)
  std::optional<std::string> DayOfYear;  // "089"
  std::optional<std::string> Gmt;        // "20/47/13" (Mariner 10), "02:41:17" (Mariner 9)
  // "1974-03-30T20:47:13": when year and day are whole, with the time only when it is whole too.
  std::optional<std::string> Utc;

  bool operator==(const ObservationTime&) const = default;
};

// A field the header does not hold is absent; nothing here says "Unknown".
struct HeaderRecord {
  DataSet Kind = DataSet::Mariner10;               // which layout the header was read as
  std::optional<DataSet> Spacecraft{};             // Mariner 10 only with its mark
  std::string NssdcDataSetId{};                    // the archive's id of the data set: "PSPA-00108", "PSPG-00235"
  std::optional<std::string> HeaderDataSetCode{};  // the header's own code of it: "MVM73"
  std::optional<std::string> FdsCount{};           // Mariner 10's picture number
  std::optional<std::string> PictureNumber{};      // Mariner 9's
  std::optional<char> Camera{};                    // 'A' or 'B'
  std::optional<int> FilterNumber{};
  std::optional<std::string> FilterName{};
  std::optional<double> ExposureSeconds{};
  ObservationTime Observed{};
  std::optional<std::string> Target{};  // Mariner 9
  std::optional<int> Revolution{};      // Mariner 9

  bool operator==(const HeaderRecord&) const = default;
};

// The names the data sets go by.
std::string_view SpacecraftName(DataSet dataSet);  // "Mariner 10"
std::string_view NssdcDataSetId(DataSet dataSet);  // "PSPA-00108"

// The Mariner 10 filter wheel, by position 1..8: the Info box's caption of
// each as the program has always shown it (one with a stray parenthesis), and
// the name the header's data carry (JSON, the FITS FILTER keyword), without it.
inline constexpr int FilterPositions = 8;
std::string_view Mariner10FilterCaption(int position);
std::string_view Mariner10FilterName(int position);

// How a filter takes part in a colour composite: its middle wavelength, and
// whether it is only a last resort (clear is too broad, and the polarizing
// filter is there for polarisation, not colour). Nothing for a position that
// is no filter (the relay mirror, the defocusing lens) or a filter not known.
struct FilterColor {
  int WavelengthNm = 0;
  bool LastResort = false;

  bool operator==(const FilterColor&) const = default;
};
// Mariner 10 by the wheel position; Mariner 9 by the colour word of the filter's name.
std::optional<FilterColor> FilterColorOf(const HeaderRecord& record);

// An ISO date (and time, when hh, mm and ss are whole) from a year, a day of
// the year and "hh?mm?ss"; nothing unless year and day are whole and real.
std::optional<std::string> UtcTimestamp(int fullYear, int dayOfYear, std::string_view gmt);

// Digits only: nothing for a blank or anything else.
std::optional<int> WholeNumber(std::string_view text);
// Without leading and trailing spaces; nothing when that leaves nothing.
std::optional<std::string> Trimmed(std::string_view text);

// The Mariner 9 header is free text: the fields its twelve lines hold, found
// by their words (CAM, PIC, FILTER, EXPOSURE, DATE, GMT, TARGET, REV or ORB).
void ReadMariner9Lines(const std::array<std::string, 12>& lines, HeaderRecord& record);

}  // namespace vantorel
