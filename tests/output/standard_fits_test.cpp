// Standard FITS: the header-to-keyword mapping, the HISTORY texts, and whole
// files read back with CFITSIO.
#include "output/standard_fits.h"

#include <fitsio.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>

#include "export/export_document.h"
#include "header/header_decode.h"
#include "support/ebcdic_text.h"
#include "support/test_support.h"
#include "viewer/frame_document.h"

namespace vantorel {
namespace {

using testing::TempDir;

HeaderState Decoded(const FrameBuffer& frame, std::string_view fileName) {
  HeaderState state;
  DecodeHeader(frame, fileName, state);
  return state;
}

FitsKeyword Text(std::string name, std::string value, std::string comment) {
  return {std::move(name), std::move(value), std::move(comment)};
}

TEST(KeywordsForHeader, TakeWhatTheHeaderGivesAndLeaveOutTheRest) {
  std::vector<std::string> mariner9Comments;
  for (std::string_view line : testing::Mariner9Lines) {
    std::string trimmed(line);
    trimmed.erase(trimmed.find_last_not_of(' ') + 1);
    mariner9Comments.push_back(trimmed.substr(trimmed.find_first_not_of(' ')));
  }
  const struct {
    const char* Name;
    HeaderState Header;
    std::string FileName;
    std::vector<FitsKeyword> Keywords;
    std::vector<std::string> Comments;
  } table[] = {
      {"Mariner 10",
       Decoded(testing::Mariner10Frame(), "MVE0101.012"),
       "MVE0101.012",
       {Text("TELESCOP", "Mariner 10", "spacecraft"),
        Text("INSTRUME", "TV camera A", "television camera of the imaging system"),
        Text("FILTER", "Clear", "filter wheel position"),
        {"EXPTIME", 0.36, "[s] exposure time"},
        Text("FDSCOUNT", "0166788", "picture number (FDS count)"),
        Text("DATASET", "PSPA-00108", "NSSDC data set id"),
        Text("OBSYEAR", "74", "year of the picture, as the header gives it"),
        Text("OBSDAY", "029", "day of the year, as the header gives it"),
        Text("OBSGMT", "12/34/56", "GMT hh/mm/ss, as the header gives it"),
        Text("DATE-OBS", "1974-01-29T12:34:56", "picture date (UTC) from the header"),
        Text("TIMESYS", "UTC", "time scale of DATE-OBS"),
        Text("FILENAME", "MVE0101.012", "original frame file")},
       {}},
      {"without the Mariner 10 mark",
       Decoded(MakeFrameBuffer(), "frame.001"),
       "fr\xe9me.001",
       {Text("FILENAME", "fr?me.001", "original frame file")},
       {}},
      {"Mariner 9",
       Decoded(testing::Mariner9Frame(), "MME0101.001"),
       "MME0101.001",
       {Text("TELESCOP", "Mariner 9", "spacecraft"),
        Text("INSTRUME", "TV camera A", "television camera of the imaging system"),
        Text("FILTER", "GREEN", "filter wheel position"),
        {"EXPTIME", 0.006, "[s] exposure time"},
        Text("DATASET", "PSPG-00235", "NSSDC data set id"),
        Text("DATE-OBS", "1971-11-16T12:34:56", "picture date (UTC) from the header"),
        Text("TIMESYS", "UTC", "time scale of DATE-OBS"),
        Text("OBJECT", "MARS", "target, as the header names it"),
        Text("FILENAME", "MME0101.001", "original frame file")},
       mariner9Comments},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.Name);
    const HeaderKeywords keywords = KeywordsForHeader(row.Header, row.FileName);
    EXPECT_EQ(keywords.Keywords, row.Keywords);
    EXPECT_EQ(keywords.Comments, row.Comments);
  }
}

// DATE-OBS only from a whole date; the time only when it is a real one.
TEST(KeywordsForHeader, DateObsOnlyFromAWholeDate) {
  const struct {
    const char *Year, *Day, *Gmt;
    std::optional<std::string> DateObs;
  } table[] = {
      {"74", "029", "12/34/56", "1974-01-29T12:34:56"}, {"72", "366", "00/00/00", "1972-12-31T00:00:00"},
      {"74", "060", "25/00/00", "1974-03-01"},          {"74", "001", "  /  /  ", "1974-01-01"},
      {"73", "366", "12/00/00", std::nullopt},          {"74", "000", "12/00/00", std::nullopt},
      {" 4", "029", "12/00/00", std::nullopt},          {"74", "  9", "12/00/00", std::nullopt},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(std::string(row.Year) + " " + row.Day + " " + row.Gmt);
    FrameBuffer frame = testing::Mariner10Frame();
    testing::PutEbcdic(frame, YearBytes.Offset, row.Year);
    testing::PutEbcdic(frame, DayBytes.Offset, row.Day);
    testing::PutEbcdic(frame, GmtBytes.Offset, row.Gmt);
    const HeaderKeywords keywords = KeywordsForHeader(Decoded(frame, "f"), "f");
    const auto found = std::ranges::find(keywords.Keywords, "DATE-OBS", &FitsKeyword::Name);
    if (!row.DateObs) {
      EXPECT_EQ(found, keywords.Keywords.end());
      continue;
    }
    ASSERT_NE(found, keywords.Keywords.end());
    EXPECT_EQ(std::get<std::string>(found->Value), *row.DateObs);
  }
}

TEST(ProcessingHistory, NamesTheOptionsThatShapedThePlaneNotColorizeAndTheCounters) {
  OptionSet some{};
  Entry(some, Option::Stretch) = 1;
  Entry(some, Option::Invert) = 1;
  Entry(some, Option::Colorize) = 1;
  const struct {
    const char* Name;
    OptionSet Options;
    ToneSteps Steps;
    bool Original;
    std::vector<std::string> History;
  } table[] = {
      {"original", some, {20, 1, 2}, true, {"Vantorel: Original Image"}},
      {"none",
       {},
       {},
       false,
       {"Vantorel: Brightness step 0", "Vantorel: Contrast step 0", "Vantorel: Gradient step 0"}},
      {"some",
       some,
       {-40, 3, -2},
       false,
       {"Vantorel: option Stretch on", "Vantorel: option Invert on", "Vantorel: Brightness step -40",
        "Vantorel: Contrast step 3", "Vantorel: Gradient step -2"}},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.Name);
    EXPECT_EQ(ProcessingHistory(row.Options, row.Steps, row.Original), row.History);
  }
}

// A file read back with CFITSIO from memory; closed with the object.
class FitsReader {
 public:
  explicit FitsReader(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {
    buffer_ = bytes_.data();
    size_ = bytes_.size();
    fits_open_memfile(&file_, "standard.fits", READONLY, &buffer_, &size_, 0, nullptr, &status_);
  }
  ~FitsReader() {
    int ignored = 0;
    if (file_) fits_close_file(file_, &ignored);
  }
  FitsReader(const FitsReader&) = delete;
  FitsReader& operator=(const FitsReader&) = delete;

  fitsfile* File() { return file_; }
  int Status() const { return status_; }
  void Hdu(int number) { fits_movabs_hdu(file_, number, nullptr, &status_); }
  std::optional<std::string> Key(const char* name) {
    char value[FLEN_VALUE] = {};
    int status = 0;
    fits_read_key(file_, TSTRING, name, value, nullptr, &status);
    if (status == KEY_NO_EXIST) return std::nullopt;
    return status == 0 ? std::optional<std::string>(value) : std::optional<std::string>("<unreadable>");
  }
  // The texts of one commentary keyword, in order.
  std::vector<std::string> Commentary(std::string_view keyword) {
    std::vector<std::string> texts;
    for (const std::string& card : Cards())
      if (card.starts_with(keyword) && card.size() >= 8 &&
          card.substr(keyword.size(), 8 - keyword.size()).find_first_not_of(' ') == std::string::npos)
        texts.push_back(card.substr(8));
    return texts;
  }
  std::string LongKey(const char* name) {
    char* value = nullptr;
    fits_read_key_longstr(file_, name, &value, nullptr, &status_);
    std::string text = value ? value : "";
    if (value) fits_free_memory(value, &status_);
    return text;
  }
  std::vector<std::string> Cards() {
    int count = 0;
    fits_get_hdrspace(file_, &count, nullptr, &status_);
    std::vector<std::string> cards;
    for (int n = 1; n <= count; ++n) {
      char card[FLEN_CARD] = {};
      fits_read_record(file_, n, card, &status_);
      cards.emplace_back(card);
    }
    return cards;
  }
  std::vector<std::uint8_t> Pixels(std::size_t count) {
    std::vector<std::uint8_t> pixels(count);
    fits_read_img(file_, TBYTE, 1, LONGLONG(count), nullptr, pixels.data(), nullptr, &status_);
    return pixels;
  }
  std::vector<long> Axes() {
    int dimensions = 0;
    fits_get_img_dim(file_, &dimensions, &status_);
    std::vector<long> axes(std::size_t(std::max(dimensions, 0)));
    if (!axes.empty()) fits_get_img_size(file_, dimensions, axes.data(), &status_);
    return axes;
  }
  bool ChecksumsValid() {
    int dataOk = 0, hduOk = 0;
    fits_verify_chksum(file_, &dataOk, &hduOk, &status_);
    return dataOk == 1 && hduOk == 1;
  }

 private:
  std::vector<std::uint8_t> bytes_;
  void* buffer_ = nullptr;
  std::size_t size_ = 0;
  fitsfile* file_ = nullptr;
  int status_ = 0;
};

struct ReadBackCase {
  const char* Name;
  const char* FileName;
  std::vector<std::uint8_t> (*Frame)();
  const char* Telescope;
  std::vector<std::pair<const char*, const char*>> MoreKeys;  // nullptr: absent
  std::size_t Comments;                                       // COMMENT cards from the header
};

std::vector<std::uint8_t> Mariner10File() { return testing::Mariner10FrameFile(); }

class StandardFitsReadBack : public ::testing::TestWithParam<ReadBackCase> {};

TEST_P(StandardFitsReadBack, KeywordsHistoryRecordPlaneAndChecksums) {
  const ReadBackCase& c = GetParam();
  TempDir dir;
  const std::vector<std::uint8_t> frameFile = c.Frame();
  testing::WriteBytes(dir / c.FileName, frameFile);
  OptionSet options{};
  Entry(options, Option::Stretch) = 1;
  FrameDocument document;
  document.Load(dir / c.FileName, options);
  document.SetDisplay({.Mode = ScaleMode::MinMax,
                       .Curve = ScaleCurve::Sqrt,
                       .LowPercent = DefaultLowPercent,
                       .HighPercent = DefaultHighPercent,
                       .HeldLimits = ScaleLimits{10, 200.5},
                       .Map = ColorMap::Grey});
  const Picture picture = document.RenderWithSteps({20, 0, -1});

  const StandardFitsFile file = BuildStandardFitsFileFor(document);
  ASSERT_TRUE(file.Error.empty()) << file.Error;
  EXPECT_EQ(file.Bytes.size() % 2880, 0u);
  FitsReader reader(file.Bytes);
  ASSERT_EQ(reader.Status(), 0);

  EXPECT_EQ(reader.Axes(), (std::vector<long>{PictureSamples, FrameLines}));
  EXPECT_EQ(reader.Key("TELESCOP"), c.Telescope);
  EXPECT_EQ(reader.Key("FILENAME"), c.FileName);
  EXPECT_EQ(reader.Key("ORIGIN"), "Vantorel");
  EXPECT_EQ(reader.Key("BUNIT"), "DN");
  EXPECT_TRUE(reader.Key("DATE"));
  // A null value: the keyword must be absent.
  for (const auto& [key, value] : c.MoreKeys)
    EXPECT_EQ(reader.Key(key), value ? std::optional<std::string>(value) : std::nullopt) << key;
  EXPECT_EQ(reader.Commentary("HISTORY"),
            (std::vector<std::string>{"Vantorel: option Stretch on", "Vantorel: Brightness step 20",
                                      "Vantorel: Contrast step 0", "Vantorel: Gradient step -1",
                                      "Vantorel: shown with scale minmax curve sqrt low 10 high 200.5"}));
  // CFITSIO adds two COMMENT cards of its own about the FITS reference.
  EXPECT_EQ(reader.Commentary("COMMENT").size(), c.Comments + 2);

  // FITS row 1 is the BMP's first stored row: the bottom row of the picture.
  // The BMP shows it through the display scale; FITS keeps it.
  const std::vector<std::uint8_t> plane = reader.Pixels(FitsPlaneBytes);
  EXPECT_TRUE(plane == document.FitsPlane());
  for (int row : {1, 2, 350, 700}) {
    for (int sample : {1, 400, 832}) {
      const std::size_t bmp = BmpHeaderBytes + std::size_t(row - 1) * BmpRowBytes + std::size_t(sample - 1) * 3;
      const int level = plane[std::size_t(row - 1) * PictureSamples + std::size_t(sample - 1)];
      const double scaled = std::sqrt(std::clamp((level - 10) / 190.5, 0.0, 1.0));
      EXPECT_EQ(picture.Bmp[bmp], std::lround(255 * scaled)) << "row " << row << " sample " << sample;
    }
  }
  EXPECT_TRUE(reader.ChecksumsValid());

  reader.Hdu(2);
  ASSERT_EQ(reader.Status(), 0);
  EXPECT_EQ(reader.Key("EXTNAME"), "ENGHDR");
  EXPECT_EQ(reader.Axes(), std::vector<long>{RecordBytes});
  EXPECT_TRUE(reader.Pixels(RecordBytes) ==
              std::vector<std::uint8_t>(frameFile.begin(), frameFile.begin() + RecordBytes));
  EXPECT_TRUE(reader.ChecksumsValid());
  EXPECT_EQ(reader.Status(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    DataSets, StandardFitsReadBack,
    ::testing::Values(ReadBackCase{"Mariner10",
                                   "MVE0101.012",
                                   Mariner10File,
                                   "Mariner 10",
                                   {{"INSTRUME", "TV camera A"},
                                    {"FILTER", "Clear"},
                                    {"FDSCOUNT", "0166788"},
                                    {"DATASET", "PSPA-00108"},
                                    {"DATE-OBS", "1974-01-29T12:34:56"}},
                                   0},
                      ReadBackCase{"Mariner9",
                                   "MME0101.001",
                                   testing::Mariner9FrameFile,
                                   "Mariner 9",
                                   {{"DATASET", "PSPG-00235"}, {"INSTRUME", "TV camera A"}, {"OBJECT", "MARS"}},
                                   testing::Mariner9Lines.size()}),
    [](const auto& info) { return std::string(info.param.Name); });

// The name is longer than one card holds, with a quote: it goes whole onto CONTINUE cards.
TEST(StandardFits, AFrameWithoutTheMariner10MarkGetsNoKeywordItCannotFill) {
  TempDir dir;
  const std::string name = "plain-frame-with-a-name-longer-than-one-card-can-hold-'quoted'-as-well.001";
  testing::WriteBytes(dir / name, testing::PatternFrameFile(std::size_t(FullFrameFileBytes)));
  FrameDocument document;
  document.Load(dir / name, OptionSet{});
  ASSERT_EQ(document.Header().InfoBox[0], "Spacecraft = Unknown");
  FitsReader reader(BuildStandardFitsFileFor(document).Bytes);
  ASSERT_EQ(reader.Status(), 0);
  for (const char* key : {"TELESCOP", "INSTRUME", "FILTER", "EXPTIME", "FDSCOUNT", "DATASET", "DATE-OBS", "OBSYEAR"})
    EXPECT_FALSE(reader.Key(key)) << key;
  EXPECT_EQ(reader.LongKey("FILENAME"), name);
  EXPECT_TRUE(reader.Key("LONGSTRN"));
  for (const std::string& card : reader.Cards()) EXPECT_EQ(card.find("NULL"), std::string::npos) << card;
}

}  // namespace
}  // namespace vantorel
