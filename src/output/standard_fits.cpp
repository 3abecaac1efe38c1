#include "output/standard_fits.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <mutex>
#include <optional>

#include "frames/frame_layout.h"
#include "output/cfitsio_library.h"

namespace vantorel {

namespace {

constexpr std::string_view EngineeringHeaderExtension = "ENGHDR";
constexpr long FitsBlockBytes = 2880;

// FITS texts are printable ASCII; anything else (a non-ASCII file name) becomes '?'.
std::string FitsText(std::string_view text) {
  std::string result(text);
  for (char& c : result)
    if (c < ' ' || c > '~') c = '?';
  return result;
}

void AddText(HeaderKeywords& out, std::string_view name, std::string_view value, std::string_view comment) {
  out.Keywords.push_back({std::string(name), FitsText(value), std::string(comment)});
}

// The same keywords for both data sets, each where the header holds its value.
void AddCameraKeywords(const HeaderRecord& record, HeaderKeywords& out) {
  if (record.Camera)
    AddText(out, "INSTRUME", std::string("TV camera ") + *record.Camera, "television camera of the imaging system");
  if (record.FilterName) AddText(out, "FILTER", *record.FilterName, "filter wheel position");
  if (record.ExposureSeconds) out.Keywords.push_back({"EXPTIME", *record.ExposureSeconds, "[s] exposure time"});
}

void AddObservationKeywords(const HeaderRecord& record, HeaderKeywords& out) {
  if (record.Observed.Utc) {
    AddText(out, "DATE-OBS", *record.Observed.Utc, "picture date (UTC) from the header");
    AddText(out, "TIMESYS", "UTC", "time scale of DATE-OBS");
  }
  if (record.Target) AddText(out, "OBJECT", *record.Target, "target, as the header names it");
}

void AddMariner10Keywords(const HeaderRecord& record, HeaderKeywords& out) {
  AddText(out, "TELESCOP", SpacecraftName(DataSet::Mariner10), "spacecraft");
  AddCameraKeywords(record, out);
  if (record.FdsCount) AddText(out, "FDSCOUNT", *record.FdsCount, "picture number (FDS count)");
  AddText(out, "DATASET", record.NssdcDataSetId, "NSSDC data set id");
  const ObservationTime& observed = record.Observed;
  if (observed.Year) AddText(out, "OBSYEAR", *observed.Year, "year of the picture, as the header gives it");
  if (observed.DayOfYear) AddText(out, "OBSDAY", *observed.DayOfYear, "day of the year, as the header gives it");
  if (observed.Gmt) AddText(out, "OBSGMT", *observed.Gmt, "GMT hh/mm/ss, as the header gives it");
  AddObservationKeywords(record, out);
}

void AddMariner9Keywords(const HeaderState& header, HeaderKeywords& out) {
  AddText(out, "TELESCOP", SpacecraftName(DataSet::Mariner9), "spacecraft");
  AddCameraKeywords(header.Record, out);
  AddText(out, "DATASET", header.Record.NssdcDataSetId, "NSSDC data set id");
  AddObservationKeywords(header.Record, out);
  // The header is free text with no fixed fields: its lines are kept as they are.
  for (const std::string& line : header.InfoBox2)
    if (const std::optional<std::string> text = Trimmed(line)) out.Comments.push_back(FitsText(*text));
}

// Owns the CFITSIO memory file and its realloc'd buffer until the bytes are copied out.
class MemoryFits {
 public:
  explicit MemoryFits(const CfitsioApi& api) : api_(api) {
    buffer_ = std::malloc(std::size_t(FitsBlockBytes));
    size_ = buffer_ ? std::size_t(FitsBlockBytes) : 0;
    if (!buffer_) status_ = MEMORY_ALLOCATION;
    api_.CreateMemoryFile(&file_, &buffer_, &size_, std::size_t(FitsBlockBytes) * 64, std::realloc, &status_);
  }
  MemoryFits(const MemoryFits&) = delete;
  MemoryFits& operator=(const MemoryFits&) = delete;
  ~MemoryFits() {
    if (file_) {
      int ignored = 0;
      api_.CloseFile(file_, &ignored);
    }
    std::free(buffer_);
  }

  fitsfile* File() { return file_; }
  int& Status() { return status_; }

  // The file's bytes, or CFITSIO's words for what went wrong.
  StandardFitsFile Result() {
    StandardFitsFile result{Finish(), {}};
    if (status_ != 0 || result.Bytes.empty()) {
      char text[FLEN_STATUS] = {};
      api_.ErrorText(status_, text);
      result.Bytes.clear();
      result.Error = "CFITSIO: ";
      result.Error += text;
    }
    return result;
  }

  // Closes the file and copies out the whole blocks it wrote.
  std::vector<std::uint8_t> Finish() {
    LONGLONG headStart = 0, dataStart = 0, dataEnd = 0;
    api_.HduAddresses(file_, &headStart, &dataStart, &dataEnd, &status_);
    api_.CloseFile(file_, &status_);
    file_ = nullptr;
    if (status_ != 0) return {};
    const std::size_t length = std::size_t((dataEnd + FitsBlockBytes - 1) / FitsBlockBytes * FitsBlockBytes);
    if (length > size_) return {};
    const auto* bytes = static_cast<const std::uint8_t*>(buffer_);
    return std::vector<std::uint8_t>(bytes, bytes + length);
  }

 private:
  const CfitsioApi& api_;
  fitsfile* file_ = nullptr;
  void* buffer_ = nullptr;
  std::size_t size_ = 0;
  int status_ = 0;
};

void WriteKeywords(const CfitsioApi& api, fitsfile* file, const HeaderKeywords& keywords, int& status) {
  // A value longer than one card goes on CONTINUE cards, which readers are
  // told about by LONGSTRN.
  constexpr std::size_t OneCardText = 68;
  const bool anyLong = std::ranges::any_of(keywords.Keywords, [](const FitsKeyword& keyword) {
    const auto* text = std::get_if<std::string>(&keyword.Value);
    return text && text->size() + std::size_t(std::ranges::count(*text, '\'')) > OneCardText;
  });
  if (anyLong) api.WriteLongStringWarning(file, &status);
  for (const FitsKeyword& keyword : keywords.Keywords) {
    if (const auto* text = std::get_if<std::string>(&keyword.Value))
      api.WriteLongString(file, keyword.Name.c_str(), text->c_str(), keyword.Comment.c_str(), &status);
    else
      api.WriteDouble(file, keyword.Name.c_str(), std::get<double>(keyword.Value), -15, keyword.Comment.c_str(),
                      &status);
  }
  for (const std::string& comment : keywords.Comments) api.WriteComment(file, comment.c_str(), &status);
}

// The unit of the data, who wrote the file and when, and how the data were made.
void WriteProvenance(const CfitsioApi& api, fitsfile* file, const char* unit, const std::vector<std::string>& history,
                     int& status) {
  api.WriteString(file, "BUNIT", "DN", unit, &status);
  api.WriteString(file, "ORIGIN", "Vantorel", "program that wrote this file", &status);
  api.WriteDate(file, &status);
  for (const std::string& text : history) api.WriteHistory(file, text.c_str(), &status);
}

// Builds a copy sized exactly, zero-filled where the source is short.
std::vector<std::uint8_t> Exactly(std::span<const std::uint8_t> bytes, std::size_t length) {
  std::vector<std::uint8_t> copy(length, 0);
  std::copy_n(bytes.begin(), std::min(bytes.size(), length), copy.begin());
  return copy;
}

// Whether this CFITSIO serialises its own state is a build choice; one file at a time is safe either way.
std::mutex cfitsioMutex;

// Loads CFITSIO and writes one file in memory with write(api, file, status),
// one file at a time; the file's bytes, or why there are none.
template <typename Write>
StandardFitsFile WriteMemoryFits(const Write& write) {
  StandardFitsFile result;
  const CfitsioApi* api = Cfitsio(result.Error);
  if (api == nullptr) return result;
  const std::lock_guard lock(cfitsioMutex);
  MemoryFits memory(*api);
  if (memory.Status() == 0) write(*api, memory.File(), memory.Status());
  return memory.Result();
}

}  // namespace

HeaderKeywords KeywordsForHeader(const HeaderState& header, std::string_view fileName) {
  HeaderKeywords out;
  if (header.HeaderKind == DataSet::Mariner9)
    AddMariner9Keywords(header, out);
  else if (header.Record.Spacecraft == DataSet::Mariner10)
    AddMariner10Keywords(header.Record, out);
  // Without either, the frame says nothing reliable about where it came from.
  if (!fileName.empty()) AddText(out, "FILENAME", fileName, "original frame file");
  return out;
}

std::vector<std::string> ProcessingHistory(const OptionSet& options, const ToneSteps& steps, bool original) {
  if (original) return {"Vantorel: Original Image"};
  std::vector<std::string> history;
  for (const OptionName& name : OptionNames) {
    if (Entry(options, name.Entry) != 1 || !ShapesGreyPlane(name.Entry)) continue;
    std::string text("Vantorel: option ");
    text += name.History;
    text += " on";
    history.push_back(std::move(text));
  }
  const std::pair<std::string_view, std::int32_t> counters[] = {
      {"Brightness", steps.BrightnessStep}, {"Contrast", steps.ContrastStep}, {"Gradient", steps.GradientStep}};
  for (const auto& [name, value] : counters) {
    std::string text("Vantorel: ");
    text += name;
    text += " step ";
    text += std::to_string(value);
    history.push_back(std::move(text));
  }
  return history;
}

StandardFitsFile BuildStandardFitsCube(const FitsCubeSource& source) {
  return WriteMemoryFits([&](const CfitsioApi& api, fitsfile* file, int& status) {
    long axes[3] = {PictureSamples, FrameLines, long(source.Planes.size())};
    api.CreateImage(file, BYTE_IMG, 3, axes, &status);
    WriteKeywords(api, file, {source.Keywords, {}}, status);
    WriteProvenance(api, file, "grey level of each frame as rendered, 0..255", source.History, status);
    for (std::size_t i = 0; i < source.Planes.size(); ++i) {
      std::vector<std::uint8_t> plane = Exactly(source.Planes[i], FitsPlaneBytes);
      api.WriteImage(file, TBYTE, LONGLONG(i * FitsPlaneBytes + 1), LONGLONG(plane.size()), plane.data(), &status);
    }
    api.WriteChecksum(file, &status);
  });
}

StandardFitsFile BuildStandardFitsFile(const StandardFitsSource& source) {
  std::vector<std::uint8_t> plane = Exactly(source.Plane, FitsPlaneBytes);
  std::vector<std::uint8_t> record = Exactly(source.HeaderRecord, RecordBytes);
  const HeaderKeywords keywords = KeywordsForHeader(source.Header, source.FileName);
  std::vector<std::string> history = ProcessingHistory(source.Options, source.Steps, source.Original);
  if (!source.DisplayScale.empty()) {
    std::string text("Vantorel: shown with ");
    text += source.DisplayScale;
    history.push_back(std::move(text));
  }

  return WriteMemoryFits([&](const CfitsioApi& api, fitsfile* file, int& status) {
    // FitsPlane's first row is frame line 1, the bottom row of the bottom-up
    // picture the window shows: FITS row 1 is the bottom row too.
    long planeAxes[2] = {PictureSamples, FrameLines};
    api.CreateImage(file, BYTE_IMG, 2, planeAxes, &status);
    WriteKeywords(api, file, keywords, status);
    WriteProvenance(api, file, "grey level of the picture as shown, 0..255", history, status);
    api.WriteImage(file, TBYTE, 1, LONGLONG(plane.size()), plane.data(), &status);
    api.WriteChecksum(file, &status);

    long recordAxes[1] = {RecordBytes};
    api.CreateImage(file, BYTE_IMG, 1, recordAxes, &status);
    api.WriteString(file, "EXTNAME", std::string(EngineeringHeaderExtension).c_str(),
                    "engineering header record, unchanged", &status);
    api.WriteComment(file, "Record 0 of the frame file as read (EBCDIC), byte for byte.", &status);
    api.WriteImage(file, TBYTE, 1, LONGLONG(record.size()), record.data(), &status);
    api.WriteChecksum(file, &status);
  });
}

}  // namespace vantorel
