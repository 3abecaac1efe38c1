#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "frames/file_name.h"
#include "header/ascii_text.h"
#include "header/header_decode.h"

namespace vantorel {

namespace {

// Standard cards: keyword in columns 1-8, "=" in 9, value right-justified to
// column 30, then one space.
constexpr std::size_t StandardKeywordWidth = 8;
constexpr std::size_t StandardValueWidth = 21;

// Descriptive cards: keyword padded to 32 columns, then "= '" and the value.
constexpr std::size_t DescriptiveKeywordWidth = 32;

constexpr std::size_t FileNameCharacters = 20;
// The CAMERA letter sits at offset 86, the 15th character of InfoBox2's first line.
constexpr std::size_t Mariner9CameraIndex = 14;

// Card numbers (1-based) as they appear in the file.
constexpr int FileNameCard = 14;
constexpr int PictureNumberCard = 15;
constexpr int CameraCard = 16;
constexpr int CreationDateCard = 17;
constexpr int DasTimeCard = 18;
constexpr int FilterNumberCard = 19;
constexpr int ExposureCard = 20;
constexpr int FirstNullCard = 21;
constexpr int EndCard = 27;

// InfoBox2 lines (0-based) that feed the Mariner 9 cards.
constexpr int CameraLine = 0;
constexpr int CreationDateLine = 1;
constexpr int DasTimeLine = 2;
constexpr int PictureNumberLine = 3;
constexpr int ExposureLine = 4;
constexpr int FilterLine = 5;

std::string StandardCard(std::string_view keyword, std::string_view value) {
  std::string card(keyword);
  card.resize(StandardKeywordWidth, ' ');
  card += '=';
  card += std::string(StandardValueWidth - value.size(), ' ');
  card += value;
  card += ' ';
  return card;
}

// An apostrophe inside a FITS string is written twice. Only the file name can
// hold one (no EBCDIC header byte decodes to it), and twenty doubled still fit
// the 80 characters.
std::string DescriptiveCard(std::string_view keyword, std::string_view value) {
  std::string card(keyword);
  card.resize(DescriptiveKeywordWidth, ' ');
  card += "= '";
  for (const char c : value) card.append(c == '\'' ? 2 : 1, c);
  card += '\'';
  return card;
}

std::string& Card(LabelCardSet& cards, int number) { return cards[std::size_t(number - 1)]; }

std::string WithoutLeadingSpaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string() : std::string(text.substr(first));
}

std::string CharacterAt(std::string_view text, std::size_t index) {
  return index < text.size() ? std::string(1, text[index]) : std::string(" ");
}

struct DataSetTexts {
  std::string_view SourceId, Mission, HostName, HostId;
};

constexpr DataSetTexts Mariner9Texts{"NSSDC_DATA_SET_ID = PSPG-00235", "MARINER71", "MARINER 9", "MR9"};
constexpr DataSetTexts Mariner10Texts{"NSSDC_DATA_SET_ID = PSPA-00108", "MARINER VENUS MERCURY 73", "MARINER 10",
                                      "MVM73"};

// Cards 1-14 and 21-27; cards 15-20 are set per data set.
void WriteCommonCards(const DataSetTexts& texts, std::string_view fileName, LabelCardSet& cards) {
  cards = {
      StandardCard("SIMPLE", "T"),
      StandardCard("BITPIX", "8"),
      StandardCard("NAXIS", "2"),
      StandardCard("NAXIS1", "832"),
      StandardCard("NAXIS2", "700"),
      DescriptiveCard("IMAGE_SOURCE_ID", texts.SourceId),
      DescriptiveCard("PRODUCER_ID", "NULL"),
      DescriptiveCard("PRODUCER_FULL_NAME", "NULL"),
      DescriptiveCard("MISSION_NAME", texts.Mission),
      DescriptiveCard("INSTRUMENT_HOST_NAME", texts.HostName),
      DescriptiveCard("INSTRUMENT_HOST_ID", texts.HostId),
      DescriptiveCard("INSTRUMENT_NAME", "IMAGING SCIENCE SUBSYSTEM"),
      DescriptiveCard("INSTRUMENT_ID", "ISS"),
  };
  // Cards hold one byte per character, so a non-ASCII name must not widen them.
  Card(cards, FileNameCard) =
      DescriptiveCard("FILE_NAME", UpperAscii(PrintableAsciiPrefix(fileName, FileNameCharacters)));
  constexpr std::string_view NullValued[] = {"SPACECRAFT_ALTITUDE", "APPROX_WIDTH",       "APPROX_HEIGHT",
                                             "VIEW_ZENITH_ANGLE",   "SOLAR_ZENITH_ANGLE", "PHASE_ANGLE"};
  int number = FirstNullCard;
  for (std::string_view keyword : NullValued) Card(cards, number++) = DescriptiveCard(keyword, "NULL");
  Card(cards, EndCard) = "END";
}

void WriteMariner9Cards(const HeaderState& state, LabelCardSet& cards) {
  const auto& lines = state.InfoBox2;
  Card(cards, PictureNumberCard) = DescriptiveCard("PICTURE_NUMBER", lines[PictureNumberLine]);
  Card(cards, CameraCard) = DescriptiveCard("CAMERA", CharacterAt(lines[CameraLine], Mariner9CameraIndex));
  Card(cards, CreationDateCard) = DescriptiveCard("IMAGE_CREATION_DATE", lines[CreationDateLine]);
  Card(cards, DasTimeCard) = DescriptiveCard("DAS_TIME", lines[DasTimeLine]);
  Card(cards, FilterNumberCard) = DescriptiveCard("FILTER_NUMBER", lines[FilterLine]);
  Card(cards, ExposureCard) = DescriptiveCard("EXPOSURE_DURATION", lines[ExposureLine]);
}

void WriteMariner10Cards(const HeaderState& state, LabelCardSet& cards) {
  const auto label = [&state](InfoBoxField field) { return UpperAscii(state.InfoBoxLabel(field)); };
  const HeaderFields& fields = state.Fields;
  Card(cards, PictureNumberCard) = DescriptiveCard("PICTURE_NUMBER", "FDS=" + fields.FdsCount);
  Card(cards, CameraCard) = DescriptiveCard("CAMERA", label(InfoBoxField::Camera));
  Card(cards, CreationDateCard) =
      DescriptiveCard("IMAGE_CREATION_DATE",
                      label(InfoBoxField::Year) + ' ' + label(InfoBoxField::Day) + ' ' + label(InfoBoxField::Gmt));
  Card(cards, DasTimeCard) = DescriptiveCard("DAS_TIME", "NULL");
  Card(cards, FilterNumberCard) =
      DescriptiveCard("FILTER_NUMBER", fields.FilterDigit + ' ' + label(InfoBoxField::Filter));
  Card(cards, ExposureCard) = DescriptiveCard("EXPOSURE_DURATION", WithoutLeadingSpaces(fields.Exposure) + " MSEC");
}

}  // namespace

void BuildLabelCards(std::string_view currentFileName, HeaderState& state) {
  LabelCardSet cards;  // cards 28-36 stay empty
  if (state.HeaderKind == DataSet::Mariner9) {
    WriteCommonCards(Mariner9Texts, currentFileName, cards);
    WriteMariner9Cards(state, cards);
  } else {
    WriteCommonCards(Mariner10Texts, currentFileName, cards);
    WriteMariner10Cards(state, cards);
  }
  state.LabelCards = std::move(cards);
}

}  // namespace vantorel
