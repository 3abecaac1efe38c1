// One input: a 48-byte control block, then the bytes of a frame file.
//
//   0..1   OptionFlags set before anything else (bit n = option n)
//   2      set-up: bits 0..2 write the three browsing copies, bit 3 marks the
//          copies as Mariner 9 frames, bit 4 skips the first Open, bits 5..6
//          repeat the frame bytes up to one of the three listed sizes (0: the
//          frame is the input's bytes as they are), bit 7 leaves out the
//          comparison with a fresh Viewer
//   3      how many of the command bytes run (modulo MaxCommands + 1)
//   4..15  three little-endian 32-bit counters for RenderWithSteps
//   16..21 command bytes, the first `count` of them run: low nibble the
//          command, high nibble its argument
//   22     the export built and checked at the end (modulo 5): 0 the 36-card
//          FITS file, 1 BMP, 2 PNG, 3 standard FITS, 4 the texts (Info box,
//          header bytes, pixel readout)
//   23     the thumbnail made at the end, in memory, from the frame file
//          (what the thumbnailer does): 0 none, 1..239 that size, F0..FF
//          64 times (byte - EF), up to 1024
//   24..47 the frame's file name, up to the first zero byte
//
// The frame is written to a per-process folder together with copies cut or
// padded to the three listed sizes, so that Next, Previous and the scan have
// somewhere to go. Besides "no crash", every input checks the sizes of the
// pictures, the label cards, BytesRead, that step counters saturate instead
// of wrapping, the one export it picks, and, when its commands left a history
// that a fresh Viewer lacks, that the last picture equals what a fresh Viewer
// renders for the same frame and commands.
//
// Each render works on whole 832 x 700 buffers and costs milliseconds under
// the sanitizers, so an input runs one export, not all of them, and frames
// are only as long as the input unless the set-up byte asks for more.
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/readout.h"
#include "export/export_document.h"
#include "export/png_text.h"
#include "export/thumbnail.h"
#include "frames/frame_layout.h"
#include "header/header_bytes.h"
#include "header/header_layout.h"
#include "output/fits_file.h"
#include "viewer/status_text.h"
#include "viewer/viewer.h"

namespace {

namespace fs = std::filesystem;
using namespace vantorel;

#define FUZZ_CHECK(condition, message)                                                                \
  do {                                                                                                \
    if (!(condition)) {                                                                               \
      std::fprintf(stderr, "vantorel-fuzz: check failed: %s (%s:%d)\n", message, __FILE__, __LINE__); \
      std::abort();                                                                                   \
    }                                                                                                 \
  } while (false)

constexpr std::size_t ControlBytes = 48;
constexpr std::size_t OptionBytesAt = 0;
constexpr std::size_t SetupAt = 2;
constexpr std::size_t CommandCountAt = 3;
constexpr std::size_t CountersAt = 4;
constexpr std::size_t CommandsAt = 16;
constexpr int MaxCommands = 6;
constexpr std::size_t ExportAt = 22;
constexpr std::size_t ThumbnailAt = 23;
constexpr unsigned LargeThumbnailsFrom = 0xF0;
constexpr std::size_t NameAt = 24;
constexpr std::size_t NameBytes = 24;

constexpr unsigned MarkCopiesBit = 0x08;
constexpr unsigned SkipOpenBit = 0x10;
constexpr unsigned RepeatShift = 5;
constexpr unsigned SkipFreshViewerBit = 0x80;

// The three sizes the listing accepts, and a copy of the frame for each, named
// to sort around typical frame names, so that browsing has somewhere to go.
constexpr std::int64_t ListedSizes[] = {ShortFrameFileBytes, FullFrameFileBytes, Mariner9FrameFileBytes};
constexpr const char* CopyNames[] = {"AAA0101.001", "MVE0202.050", "MME0199.002"};

// EBCDIC "MARINER 9" at the start of the header text; its last byte lands on the byte-80 mark.
constexpr std::uint8_t Mariner9Text[] = {0xD4, 0xC1, 0xD9, 0xC9, 0xD5, 0xC5, 0xD9, 0x40, 0xF9};
constexpr std::size_t Mariner9TextAt = HeaderTextBytes.Offset;
static_assert(Mariner9TextAt + std::size(Mariner9Text) - 1 == Mariner9MarkOffset);

// Names that OpenFrame can be pointed at besides the frame and its copies.
constexpr const char* MissingName = "NO_SUCH_FRAME";
constexpr const char* FolderName = "FOLDER";

enum class Command {
  ToggleOptionFlag,
  ToggleActiveOption,
  ApplyStep,
  ShowOriginalImage,
  RenderWithSteps,
  NextFile,
  PreviousFile,
  StartScan,
  ScanTick,
  StopScan,
  ChooseScanPause,
  CloseImageWindow,
  OpenFrame,
  Count,
};

// What Save As, the Info boxes and the status bar make of the frame on screen.
enum class Export { Fits, Bmp, Png, StandardFits, Texts, Count };

struct Step {
  Command Kind;
  unsigned Argument;  // 0..15
};

struct Input {
  OptionSet Flags{};
  unsigned Setup = 0;
  std::array<std::int32_t, 3> Counters{};
  std::vector<Step> Steps;
  Export Chosen = Export::Fits;
  int ThumbnailSize = 0;  // none
  std::string Name;
  std::span<const std::uint8_t> Frame;
};

std::int32_t LittleEndian32(const std::uint8_t* at) {
  return std::int32_t(std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16 |
                      std::uint32_t(at[3]) << 24);
}

std::uint32_t BigEndian32(const std::uint8_t* at) {
  return std::uint32_t(at[0]) << 24 | std::uint32_t(at[1]) << 16 | std::uint32_t(at[2]) << 8 | at[3];
}

std::string FrameName(const std::uint8_t* at) {
  std::string name;
  for (std::size_t i = 0; i < NameBytes && at[i] != 0; ++i) name += at[i] == '/' ? '_' : char(at[i]);
  if (name.empty() || name == "." || name == ".." || name == FolderName) name = "FRAME";
  return name;
}

Input ParseInput(const std::uint8_t* data, std::size_t size) {
  Input input;
  const unsigned optionBits = data[OptionBytesAt] | unsigned(data[OptionBytesAt + 1]) << 8;
  for (int n = 0; n < OptionCount; ++n) input.Flags[std::size_t(n)] = (optionBits >> n) & 1;
  input.Setup = data[SetupAt];
  for (std::size_t k = 0; k < input.Counters.size(); ++k) input.Counters[k] = LittleEndian32(data + CountersAt + 4 * k);
  const int count = data[CommandCountAt] % (MaxCommands + 1);
  for (int i = 0; i < count; ++i) {
    const std::uint8_t byte = data[CommandsAt + std::size_t(i)];
    input.Steps.push_back({Command((byte & 0x0F) % unsigned(Command::Count)), unsigned(byte >> 4)});
  }
  input.Chosen = Export(data[ExportAt] % unsigned(Export::Count));
  const unsigned thumbnail = data[ThumbnailAt];
  input.ThumbnailSize = int(thumbnail < LargeThumbnailsFrom ? thumbnail : (thumbnail - LargeThumbnailsFrom + 1) * 64);
  input.Name = FrameName(data + NameAt);
  input.Frame = std::span<const std::uint8_t>(data + ControlBytes, size - ControlBytes);
  return input;
}

// The per-process folder, removed again when the process ends normally. Held
// by pointer so that it outlives the exit handler that removes it.
const fs::path& WorkFolder() {
  static const fs::path* folder = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vantorel-fuzz-XXXXXX";
    FUZZ_CHECK(::mkdtemp(pattern.data()) != nullptr, "cannot create the work folder");
    auto* path = new fs::path(pattern);
    fs::create_directory(*path / FolderName);
    return path;
  }();
  static const int removeAtExit = std::atexit([] {
    std::error_code ignored;
    fs::remove_all(*folder, ignored);
  });
  (void)removeAtExit;
  return *folder;
}

// A file of the work folder: these bytes, then zeros up to Size.
struct FileContent {
  std::vector<std::uint8_t> Bytes;
  std::uintmax_t Size = 0;
};

// The padding is left a hole, so that a copy costs no more to write than the
// input's bytes.
void WriteFile(const fs::path& path, const FileContent& content) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(content.Bytes.data()), std::streamsize(content.Bytes.size()));
  out.close();
  FUZZ_CHECK(out.good(), "cannot write a frame file");
  std::error_code error;
  if (content.Size > content.Bytes.size()) fs::resize_file(path, content.Size, error);
  FUZZ_CHECK(!error, "cannot pad a frame file");
}

// Lays out this input's files; returns the frame's path.
std::string WriteFrameFiles(const Input& input) {
  // The last input's files go first: writing a new file is quicker than
  // truncating an old one, which ext4 flushes to disk when it is closed.
  const fs::path& folder = WorkFolder();
  std::vector<fs::path> previous;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().filename() != FolderName) previous.push_back(entry.path());
  for (const fs::path& path : previous) fs::remove(path);

  // Repeating lets a small input fill a whole frame, so that the fuzzer can
  // work on short inputs and still reach every line of the pipeline.
  const unsigned repeat = (input.Setup >> RepeatShift) & 3;
  FileContent frame;
  if (repeat == 0 || input.Frame.empty()) {
    frame.Bytes.assign(input.Frame.begin(), input.Frame.end());
  } else {
    frame.Bytes.resize(static_cast<std::size_t>(ListedSizes[repeat - 1]));
    // Copied a whole input at a time: a byte loop here is traced like the rest of the target.
    for (std::size_t at = 0; at < frame.Bytes.size(); at += input.Frame.size())
      std::copy_n(input.Frame.begin(), std::min(input.Frame.size(), frame.Bytes.size() - at), frame.Bytes.begin() + at);
  }
  frame.Size = frame.Bytes.size();
  WriteFile(folder / input.Name, frame);
  for (std::size_t k = 0; k < std::size(CopyNames); ++k) {
    if (!(input.Setup & (1u << k)) || input.Name == CopyNames[k]) continue;
    FileContent copy{{input.Frame.begin(), input.Frame.end()}, std::uintmax_t(ListedSizes[k])};
    if (copy.Bytes.size() > copy.Size) copy.Bytes.resize(copy.Size);
    if (input.Setup & MarkCopiesBit) {
      copy.Bytes.resize(std::max(copy.Bytes.size(), Mariner9TextAt + std::size(Mariner9Text)), 0);
      std::copy(std::begin(Mariner9Text), std::end(Mariner9Text), copy.Bytes.begin() + Mariner9TextAt);
    }
    WriteFile(folder / CopyNames[k], copy);
  }
  return (folder / input.Name).string();
}

std::string OpenTarget(const Input& input, unsigned argument) {
  const fs::path& folder = WorkFolder();
  switch (argument % 5) {
    case 0: return (folder / input.Name).string();
    case 1: return (folder / MissingName).string();
    case 2: return (folder / FolderName).string();
    default: return (folder / CopyNames[argument % std::size(CopyNames)]).string();
  }
}

ToneSteps StepsFor(const Input& input, unsigned argument) {
  // Bits 0..2 push a counter to the 32-bit limit of its sign; bit 3 keeps it a
  // little inside, so that one step more crosses the limit.
  std::array<std::int32_t, 3> values = input.Counters;
  for (std::size_t k = 0; k < values.size(); ++k) {
    if (!(argument & (1u << k))) continue;
    const std::int32_t inside = (argument & 8) ? (values[k] & 31) : 0;
    values[k] = values[k] < 0 ? INT32_MIN + inside : INT32_MAX - inside;
  }
  return {values[0], values[1], values[2]};
}

std::int32_t& Counter(ToneSteps& steps, StepCommand command) {
  switch (command) {
    case StepCommand::BrightnessDown:
    case StepCommand::BrightnessUp: return steps.BrightnessStep;
    case StepCommand::ContrastDown:
    case StepCommand::ContrastUp: return steps.ContrastStep;
    default: return steps.GradientStep;
  }
}

std::int64_t StepSize(StepCommand command) {
  switch (command) {
    case StepCommand::BrightnessDown: return -20;
    case StepCommand::BrightnessUp: return 20;
    case StepCommand::ContrastDown:
    case StepCommand::GradientDown: return -1;
    default: return 1;
  }
}

void CheckPicture(const Picture& picture) {
  FUZZ_CHECK(picture.Bmp.size() == BmpFileBytes, "BMP file is not 1,747,254 bytes");
  FUZZ_CHECK(picture.Bmp[0] == 'B' && picture.Bmp[1] == 'M', "BMP file does not start with BM");
}

bool IsPrintable(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

// Cards and the index are checked after every command; building a file is
// left to the one export an input picks.
void CheckOutputs(const Viewer& viewer) {
  for (const std::string& card : viewer.Document().LabelCards()) {
    FUZZ_CHECK(card.size() <= FitsCardBytes, "label card longer than 80 bytes");
    FUZZ_CHECK(IsPrintable(card), "label card holds a byte outside printable ASCII");
  }
  FUZZ_CHECK(viewer.FileIndex() >= 0 && viewer.FileIndex() <= viewer.FileCount(), "FileIndex outside the list");
}

void CheckFitsFile(const FrameDocument& document) {
  const std::vector<std::uint8_t> file = BuildFitsFile(document.LabelCards(), document.FitsPlane());
  FUZZ_CHECK(file.size() == FitsFileBytes, "FITS file is not 585,280 bytes");
  for (std::size_t k = 0; k < std::size_t{LabelCardCount}; ++k) {
    const std::string& card = document.LabelCards()[k];
    const auto at = file.begin() + std::ptrdiff_t(k * FitsCardBytes);
    FUZZ_CHECK(std::equal(card.begin(), card.end(), at) &&
                   std::all_of(at + std::ptrdiff_t(card.size()), at + FitsCardBytes, [](auto c) { return c == ' '; }),
               "FITS card is not its label card padded with spaces");
  }
  FUZZ_CHECK(std::equal(document.FitsPlane().begin(), document.FitsPlane().end(), file.begin() + FitsHeaderBytes),
             "FITS data is not FitsPlane");
}

void CheckBmpFile(const FrameDocument& document) {
  const std::uint8_t* bmp = document.CurrentBmp().data();
  auto field = [bmp](std::size_t at) { return std::uint32_t(LittleEndian32(bmp + at)); };
  FUZZ_CHECK(bmp[0] == 'B' && bmp[1] == 'M' && field(2) == BmpFileBytes && field(10) == BmpHeaderBytes &&
                 field(18) == PictureSamples && field(22) == FrameLines && (field(28) & 0xFFFF) == 24,
             "BMP header does not describe an 832 x 700 picture of 24-bit pixels");
  if (Entry(document.ActiveOptions(), Option::Colorize) == 1) return;
  // Without colour the BMP shows the very grey plane that the FITS files hold.
  unsigned differences = 0;
  const std::uint8_t* pixel = bmp + BmpHeaderBytes;
  for (const std::uint8_t grey : document.FitsPlane()) {
    differences |= unsigned(pixel[0] ^ grey) | unsigned(pixel[1] ^ grey) | unsigned(pixel[2] ^ grey);
    pixel += 3;
  }
  FUZZ_CHECK(differences == 0, "grey BMP pixel differs from FitsPlane");
}

void CheckPngFile(const FrameDocument& document) {
  const PngText text = PngTextFor(document);
  const std::optional<std::vector<std::uint8_t>> png = BuildPngFile(document.CurrentBmp(), text);
  FUZZ_CHECK(png.has_value(), "no PNG file for a composed BMP");
  constexpr std::uint8_t Signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  FUZZ_CHECK(
      png->size() >= std::size(Signature) && std::equal(std::begin(Signature), std::end(Signature), png->begin()),
      "PNG file does not start with the signature");
  std::vector<std::string> types;
  std::vector<std::uint8_t> compressed;
  std::size_t at = std::size(Signature);
  std::uint8_t colorType = 0xFF;
  while (at < png->size()) {
    FUZZ_CHECK(png->size() - at >= 12 && png->size() - at - 12 >= BigEndian32(png->data() + at), "PNG chunk overruns");
    const std::uint32_t length = BigEndian32(png->data() + at);
    const std::uint8_t* type = png->data() + at + 4;
    FUZZ_CHECK(crc32(0, type, length + 4) == BigEndian32(type + 4 + length), "PNG chunk CRC is wrong");
    types.emplace_back(reinterpret_cast<const char*>(type), 4);
    if (types.back() == "IHDR") {
      FUZZ_CHECK(length == 13 && BigEndian32(type + 4) == PictureSamples && BigEndian32(type + 8) == FrameLines &&
                     type[12] == 8,
                 "PNG header is not 832 x 700 at 8 bits");
      colorType = type[13];
    }
    if (types.back() == "IDAT") compressed.insert(compressed.end(), type + 4, type + 4 + length);
    at += 12 + length;
  }
  FUZZ_CHECK(types.size() >= 3 && types.front() == "IHDR" && types.back() == "IEND", "PNG chunks out of order");
  const bool palette = std::count(types.begin(), types.end(), "PLTE") == 1;
  FUZZ_CHECK((colorType == 0 || colorType == 2 || colorType == 3) && (colorType == 3) == palette,
             "PNG colour type is not grey, RGB or a palette of its own");
  const auto texts = std::count_if(text.begin(), text.end(), [](const PngTextEntry& e) { return !e.Text.empty(); });
  FUZZ_CHECK(std::count(types.begin(), types.end(), "tEXt") + std::count(types.begin(), types.end(), "iTXt") == texts,
             "not one PNG text chunk per text");
  // A filter byte and the samples of each row: one per pixel, three for RGB.
  const uLongf rowBytes = 1 + uLongf{PictureSamples} * (colorType == 2 ? 3 : 1);
  std::vector<std::uint8_t> rows(rowBytes * FrameLines + 1);
  uLongf inflated = rows.size();
  FUZZ_CHECK(uncompress(rows.data(), &inflated, compressed.data(), uLong(compressed.size())) == Z_OK &&
                 inflated == rowBytes * FrameLines,
             "PNG image data does not inflate to 700 rows");
}

// A standard FITS file is whole blocks of 36 cards; each header and data unit starts a block.
constexpr std::size_t FitsBlockBytes = FitsHeaderBytes;

std::size_t WholeBlocks(std::size_t bytes) { return (bytes + FitsBlockBytes - 1) / FitsBlockBytes * FitsBlockBytes; }

// Where the data of the header unit at `at` starts: the block after its END card.
std::size_t FitsDataAt(const std::vector<std::uint8_t>& file, std::size_t at) {
  for (; at + FitsCardBytes <= file.size(); at += FitsCardBytes) {
    const std::string_view card(reinterpret_cast<const char*>(file.data() + at), FitsCardBytes);
    FUZZ_CHECK(IsPrintable(card), "standard FITS card holds a byte outside printable ASCII");
    if (card.starts_with("END     ")) return WholeBlocks(at + FitsCardBytes);
  }
  FUZZ_CHECK(false, "standard FITS header has no END card");
  return 0;
}

void CheckStandardFitsFile(const FrameDocument& document) {
  const StandardFitsFile fits = BuildStandardFitsFileFor(document);
  FUZZ_CHECK(fits.Error.empty() && !fits.Bytes.empty(), "CFITSIO did not write the standard FITS file");
  const std::vector<std::uint8_t>& file = fits.Bytes;
  FUZZ_CHECK(file.size() % FitsBlockBytes == 0, "standard FITS file is not whole 2,880-byte blocks");
  const std::size_t planeAt = FitsDataAt(file, 0);
  FUZZ_CHECK(file.size() - planeAt >= FitsPlaneBytes &&
                 std::equal(document.FitsPlane().begin(), document.FitsPlane().end(), file.begin() + planeAt),
             "standard FITS image is not FitsPlane");
  const std::size_t recordAt = FitsDataAt(file, WholeBlocks(planeAt + FitsPlaneBytes));
  const auto record = document.PristineFrame().begin();
  FUZZ_CHECK(file.size() - recordAt >= RecordBytes && std::equal(record, record + RecordBytes, file.begin() + recordAt),
             "standard FITS extension is not the header record");
}

void CheckTexts(const FrameDocument& document) {
  const HeaderState& header = document.Header();
  for (const std::string& line : header.InfoBox) FUZZ_CHECK(IsPrintable(line), "Info box text is not printable");
  for (const std::string& line : header.InfoBox2) FUZZ_CHECK(IsPrintable(line), "Info box text is not printable");

  const std::span<const std::uint8_t> record = document.HeaderRecord();
  const std::vector<HeaderByteRow> rows = HeaderByteRows(record);
  FUZZ_CHECK(rows.size() == (record.size() + HeaderBytesPerRow - 1) / HeaderBytesPerRow,
             "header bytes: not one row per 16 bytes");
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::size_t bytes = std::min<std::size_t>(HeaderBytesPerRow, record.size() - i * HeaderBytesPerRow);
    FUZZ_CHECK(rows[i].Offset == i * HeaderBytesPerRow && rows[i].Hex.size() == 3 * bytes - 1 &&
                   rows[i].Text.size() == bytes && IsPrintable(rows[i].Text),
               "header bytes row does not show its 16 bytes");
  }
  const std::vector<HeaderFieldSource> fields = HeaderFieldSources(header);
  for (const HeaderFieldSource& field : fields)
    FUZZ_CHECK(field.Bytes.Offset + field.Bytes.Length <= RecordBytes && IsPrintable(field.Value),
               "header field outside the record or not printable");
  const std::string listing = HeaderBytesText(rows, fields);
  FUZZ_CHECK(std::size_t(std::count(listing.begin(), listing.end(), '\n')) == rows.size() + 1 + fields.size(),
             "header bytes text is not one line per row and field");

  // The picture's corners and centre, where flip, rotate and half size meet the frame's edges.
  constexpr int Xs[] = {0, PictureSamples - 1, PictureSamples / 2};
  constexpr int Ys[] = {0, FrameLines - 1, FrameLines / 2};
  for (const int x : Xs) {
    for (const int y : Ys) {
      const std::optional<PixelReadout> readout = ReadoutAt(document, x, y);
      if (!readout) continue;
      const FramePosition& place = readout->Position;
      FUZZ_CHECK(place.Line >= 1 && place.Line + place.BlockSize - 1 <= document.LineCount() && place.Sample >= 1 &&
                     place.Sample + place.BlockSize - 1 <= PictureSamples,
                 "readout outside the frame's lines and samples");
    }
  }
}

void CheckExport(const FrameDocument& document, Export chosen) {
  switch (chosen) {
    case Export::Fits: CheckFitsFile(document); break;
    case Export::Bmp: CheckBmpFile(document); break;
    case Export::Png: CheckPngFile(document); break;
    case Export::StandardFits: CheckStandardFitsFile(document); break;
    case Export::Texts: CheckTexts(document); break;
    case Export::Count: break;
  }
}

// The thumbnailer's path: a picture exactly when the file has an image line,
// its longer side the size asked for.
void CheckThumbnail(const std::string& path, int size) {
  static FrameDocument document;  // kept, as a thumbnailing thread keeps its own
  std::string error;
  const std::optional<ThumbnailSource> source = IdentifySource(path, error);
  FUZZ_CHECK(source.has_value(), "the frame file cannot be looked at");
  const Thumbnail thumbnail = MakeThumbnail(document, *source, size);
  const bool lines = LineCountFor(std::int32_t(std::min<std::uint64_t>(source->Bytes, FrameBytes))) > 0;
  FUZZ_CHECK(thumbnail.Png.empty() == !lines && thumbnail.Error.empty() == lines,
             "a thumbnail made of a file without lines, or none of one with");
  if (!lines) return;
  const int height = std::max(1, (FrameLines * size + PictureSamples / 2) / PictureSamples);
  FUZZ_CHECK(thumbnail.Png.size() > 24 && BigEndian32(thumbnail.Png.data() + 16) == std::uint32_t(size) &&
                 BigEndian32(thumbnail.Png.data() + 20) == std::uint32_t(height) && thumbnail.Width == size &&
                 thumbnail.Height == height,
             "thumbnail is not of the size asked for");
}

void CheckBytesRead(const Viewer& viewer) {
  std::error_code error;
  const fs::path path = viewer.Document().CurrentPath();
  std::int64_t expected = -1;
  if (fs::is_regular_file(path, error))
    expected = std::min<std::int64_t>(std::int64_t(fs::file_size(path)), std::int64_t(FrameBytes));
  FUZZ_CHECK(viewer.Document().BytesRead() == expected, "BytesRead is not min(file size, 702,768)");
}

bool IsRenderCommand(Command kind) {
  return kind == Command::ToggleOptionFlag || kind == Command::ToggleActiveOption || kind == Command::ApplyStep ||
         kind == Command::ShowOriginalImage || kind == Command::RenderWithSteps;
}

// Runs one command; the picture when it rendered, and whether it loaded a file.
std::optional<Picture> Run(Viewer& viewer, const Input& input, Step step, bool& loaded) {
  loaded = false;
  std::optional<Picture> picture;
  switch (step.Kind) {
    case Command::ToggleOptionFlag: viewer.ToggleOptionFlag(Option(step.Argument % OptionCount)); break;
    case Command::ToggleActiveOption: picture = viewer.ToggleActiveOption(Option(step.Argument % OptionCount)); break;
    case Command::ApplyStep: {
      const auto command = StepCommand(step.Argument % 6);
      ToneSteps before = viewer.Document().Steps();
      const std::int64_t wanted = std::int64_t{Counter(before, command)} + StepSize(command);
      picture = viewer.ApplyStep(command);
      ToneSteps after = viewer.Document().Steps();
      if (wanted > INT32_MAX) FUZZ_CHECK(Counter(after, command) == INT32_MAX, "step counter wrapped past INT32_MAX");
      if (wanted < INT32_MIN) FUZZ_CHECK(Counter(after, command) == INT32_MIN, "step counter wrapped past INT32_MIN");
      break;
    }
    case Command::ShowOriginalImage: picture = viewer.ShowOriginalImage(); break;
    case Command::RenderWithSteps: picture = viewer.RenderWithSteps(StepsFor(input, step.Argument)); break;
    case Command::NextFile:
      picture = viewer.NextFile();
      loaded = picture.has_value();
      break;
    case Command::PreviousFile:
      picture = viewer.PreviousFile();
      loaded = picture.has_value();
      break;
    case Command::StartScan: viewer.StartScan(ScanDirection(step.Argument % 3)); break;
    case Command::ScanTick:
      picture = viewer.ScanTick();
      loaded = picture.has_value();
      break;
    case Command::StopScan: viewer.StopScan(); break;
    case Command::ChooseScanPause: viewer.ChooseScanPause(int(step.Argument % 6)); break;
    case Command::CloseImageWindow: viewer.CloseImageWindow(); break;
    case Command::OpenFrame:
      picture = viewer.OpenFrame(OpenTarget(input, step.Argument));
      loaded = true;
      break;
    case Command::Count: break;
  }
  return picture;
}

void SetFlags(Viewer& viewer, const OptionSet& flags) {
  for (int n = 0; n < OptionCount; ++n)
    if (Entry(viewer.OptionFlags(), Option(n)) != flags[std::size_t(n)]) viewer.ToggleOptionFlag(Option(n));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < ControlBytes) return -1;  // not kept in the corpus
  const Input input = ParseInput(data, size);
  const std::string framePath = WriteFrameFiles(input);

  // What a fresh Viewer would need to render the last picture again.
  struct LastLoad {
    OptionSet Flags{};
    std::optional<std::string> Path;  // none: nothing was loaded
    std::vector<Step> StepsSince;
  } last{input.Flags, std::nullopt, {}};
  // Whether a command left something that the fresh Viewer does not repeat:
  // without one it would make the very same calls again.
  bool history = false;

  Viewer viewer;
  SetFlags(viewer, input.Flags);
  std::optional<Picture> lastPicture;
  if (!(input.Setup & SkipOpenBit)) {
    lastPicture = viewer.OpenFrame(framePath);
    last.Path = viewer.Document().CurrentPath();
    CheckBytesRead(viewer);
  }
  CheckOutputs(viewer);

  for (const Step& step : input.Steps) {
    const OptionSet flagsBefore = viewer.OptionFlags();
    bool loaded = false;
    std::optional<Picture> picture = Run(viewer, input, step, loaded);
    if (picture) {
      CheckPicture(*picture);
      lastPicture = std::move(picture);
    }
    if (loaded) {
      CheckBytesRead(viewer);
      last = {flagsBefore, viewer.Document().CurrentPath(), {}};
    } else if (IsRenderCommand(step.Kind)) {
      last.StepsSince.push_back(step);
    }
    history = history || !IsRenderCommand(step.Kind);
    CheckOutputs(viewer);
  }
  // Until its first render a document holds no picture to save.
  if (lastPicture) CheckExport(viewer.Document(), input.Chosen);
  if (input.ThumbnailSize > 0) CheckThumbnail(framePath, input.ThumbnailSize);
  if (!history || (input.Setup & SkipFreshViewerBit)) return 0;

  // History must not show: a fresh Viewer given the same frame and the
  // commands since it was loaded ends with the same picture, plane and cards.
  Viewer fresh;
  SetFlags(fresh, last.Flags);
  std::optional<Picture> freshPicture;
  if (last.Path) freshPicture = fresh.OpenFrame(*last.Path);
  for (const Step& step : last.StepsSince) {
    bool loaded = false;
    if (std::optional<Picture> picture = Run(fresh, input, step, loaded)) freshPicture = std::move(picture);
  }
  FUZZ_CHECK(freshPicture.has_value() == lastPicture.has_value(), "only one of the two Viewers rendered a picture");
  if (lastPicture) FUZZ_CHECK(freshPicture->Bmp == lastPicture->Bmp, "BMP differs from a fresh Viewer's");
  FUZZ_CHECK(fresh.Document().FitsPlane() == viewer.Document().FitsPlane(), "FitsPlane differs from a fresh Viewer's");
  FUZZ_CHECK(fresh.Document().LabelCards() == viewer.Document().LabelCards(),
             "label cards differ from a fresh Viewer's");
  FUZZ_CHECK(fresh.Document().Steps().BrightnessStep == viewer.Document().Steps().BrightnessStep &&
                 fresh.Document().Steps().ContrastStep == viewer.Document().Steps().ContrastStep &&
                 fresh.Document().Steps().GradientStep == viewer.Document().Steps().GradientStep,
             "step counters differ from a fresh Viewer's");
  return 0;
}
