// One input: a 48-byte control block, then the bytes of a frame file.
//
//   0..1   OptionFlags set before anything else (bit n = option n)
//   2      set-up: bits 0..2 write the three browsing copies, bit 3 marks the
//          copies as Mariner 9 frames, bit 4 skips the first Open, bits 5..6
//          repeat the frame bytes up to one of the three listed sizes
//   3      how many of the command bytes run (modulo MaxCommands + 1)
//   4..15  three little-endian 32-bit counters for RenderWithSteps
//   16..23 command bytes, the first `count` of them run: low nibble the
//          command, high nibble its argument
//   24..47 the frame's file name, up to the first zero byte
//
// The frame is written to a per-process folder together with copies cut or
// padded to the three listed sizes, so that Next, Previous and the scan have
// somewhere to go. Besides "no crash", every input checks the sizes of the
// BMP and FITS files, the label cards, BytesRead, that step counters saturate
// instead of wrapping, and that the last picture equals what a fresh Viewer
// renders for the same frame and commands.
#include <unistd.h>

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
#include <vector>

#include "frames/frame_layout.h"
#include "header/header_layout.h"
#include "output/fits_file.h"
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
constexpr std::size_t NameAt = 24;
constexpr std::size_t NameBytes = 24;

constexpr unsigned MarkCopiesBit = 0x08;
constexpr unsigned SkipOpenBit = 0x10;
constexpr unsigned RepeatShift = 5;

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

struct Step {
  Command Kind;
  unsigned Argument;  // 0..15
};

struct Input {
  OptionSet Flags{};
  unsigned Setup = 0;
  std::array<std::int32_t, 3> Counters{};
  std::vector<Step> Steps;
  std::string Name;
  std::span<const std::uint8_t> Frame;
};

std::int32_t LittleEndian32(const std::uint8_t* at) {
  return std::int32_t(std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16 |
                      std::uint32_t(at[3]) << 24);
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
    return new fs::path(pattern);
  }();
  static const int removeAtExit = std::atexit([] {
    std::error_code ignored;
    fs::remove_all(*folder, ignored);
  });
  (void)removeAtExit;
  return *folder;
}

void WriteFile(const fs::path& path, std::span<const std::uint8_t> bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  out.close();
  FUZZ_CHECK(out.good(), "cannot write a frame file");
}

// Lays out this input's files; returns the frame's path.
std::string WriteFrameFiles(const Input& input) {
  const fs::path& folder = WorkFolder();
  std::vector<fs::path> previous;
  for (const auto& entry : fs::directory_iterator(folder)) previous.push_back(entry.path());
  for (const fs::path& path : previous) fs::remove_all(path);
  fs::create_directory(folder / FolderName);

  // Repeating lets a small input fill a whole frame, so that the fuzzer can
  // work on short inputs and still reach every line of the pipeline.
  const unsigned repeat = (input.Setup >> RepeatShift) & 3;
  if (repeat == 0 || input.Frame.empty()) {
    WriteFile(folder / input.Name, input.Frame);
  } else {
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(ListedSizes[repeat - 1]));
    for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = input.Frame[i % input.Frame.size()];
    WriteFile(folder / input.Name, frame);
  }
  for (std::size_t k = 0; k < std::size(CopyNames); ++k) {
    if (!(input.Setup & (1u << k)) || input.Name == CopyNames[k]) continue;
    std::vector<std::uint8_t> copy(input.Frame.begin(), input.Frame.end());
    copy.resize(std::size_t(ListedSizes[k]), 0);
    if (input.Setup & MarkCopiesBit)
      std::copy(std::begin(Mariner9Text), std::end(Mariner9Text), copy.begin() + Mariner9TextAt);
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

void CheckOutputs(const Viewer& viewer) {
  for (const std::string& card : viewer.Document().LabelCards()) {
    FUZZ_CHECK(card.size() <= FitsCardBytes, "label card longer than 80 bytes");
    FUZZ_CHECK(std::all_of(card.begin(), card.end(), [](char c) { return c >= 0x20 && c <= 0x7E; }),
               "label card holds a byte outside printable ASCII");
  }
  FUZZ_CHECK(BuildFitsFile(viewer.Document().LabelCards(), viewer.Document().FitsPlane()).size() == FitsFileBytes,
             "FITS file is not 585,280 bytes");
  FUZZ_CHECK(viewer.FileIndex() >= 0 && viewer.FileIndex() <= viewer.FileCount(), "FileIndex outside the list");
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
    CheckOutputs(viewer);
  }

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
