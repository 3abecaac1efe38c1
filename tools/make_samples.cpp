// Writes a small set of synthetic frame files into the folder given as the
// only argument. The frames are made up: a lit planetary disc with craters and
// a terminator, grain noise and the defects real frames carry (zero samples,
// short zero runs, specks, a dropped line), behind an EBCDIC engineering header
// laid out as the decoder reads it. A fixed-seed generator makes the bytes
// identical on every machine, so tests and benchmarks may rely on them.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "frames/frame_layout.h"
#include "header/header_layout.h"

// Fused multiply-adds would round differently from machine to machine.
#ifdef __clang__
#pragma clang fp contract(off)
#endif

namespace {

using namespace vantorel;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kEbcdicSpace = 0x40;

// xorshift32: tiny, portable and fully determined by its seed.
class Random {
 public:
  explicit Random(std::uint32_t seed) : state_(seed != 0 ? seed : 0x9E3779B9u) {}
  std::uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  // Uniform in [low, high].
  int Between(int low, int high) { return low + int(Next() % std::uint32_t(high - low + 1)); }
  double Unit() { return double(Next() >> 8) / double(1u << 24); }

 private:
  std::uint32_t state_;
};

// --- EBCDIC header text -------------------------------------------------------

std::uint8_t ToEbcdic(char c) {
  if (c >= 'A' && c <= 'I') return std::uint8_t(0xC1 + (c - 'A'));
  if (c >= 'J' && c <= 'R') return std::uint8_t(0xD1 + (c - 'J'));
  if (c >= 'S' && c <= 'Z') return std::uint8_t(0xE2 + (c - 'S'));
  if (c >= '0' && c <= '9') return std::uint8_t(0xF0 + (c - '0'));
  switch (c) {
    case ' ': return kEbcdicSpace;
    case '.': return 0x4B;
    case '+': return 0x4E;
    case ';': return 0x5E;
    case '-': return 0x60;
    case '/': return 0x61;
    case ':': return 0x7A;
    case '=': return 0x7E;
  }
  throw std::invalid_argument(std::string("no EBCDIC code for '") + c + "'");
}

// Writes text at offset, padded with EBCDIC spaces to width characters.
void PutText(Bytes& file, std::size_t offset, std::string_view text, std::size_t width) {
  if (text.size() > width) throw std::invalid_argument("header text too wide: " + std::string(text));
  for (std::size_t i = 0; i < width; ++i) file[offset + i] = i < text.size() ? ToEbcdic(text[i]) : kEbcdicSpace;
}

// Right-justified, as the exposure field is on the volumes.
void PutRightJustified(Bytes& file, std::size_t offset, std::string_view text, std::size_t width) {
  PutText(file, offset, std::string(width - text.size(), ' ') + std::string(text), width);
}

struct Mariner10Header {
  std::string DataSetSuffix;  // 2 characters
  std::string FdsCount;       // 7 digits
  std::string Year;           // 2
  std::string Day;            // 3
  std::string Hours, Minutes, Seconds;
  std::uint8_t CameraByte;  // C1 (A) or C2 (B)
  std::uint8_t FilterByte;  // F1..F8
  std::string ExposureMs;   // up to 7 characters
};

void PutField(Bytes& file, ByteRange field, std::string_view text) { PutText(file, field.Offset, text, field.Length); }

void WriteMariner10Header(Bytes& file, const Mariner10Header& header) {
  std::fill(file.begin(), file.begin() + RecordBytes, kEbcdicSpace);
  for (std::size_t offset : Mariner10MarkOffsets) file[offset] = Mariner10MarkByte;
  // The captions in front of the fields, as the volumes have them; nothing reads them.
  PutText(file, 72, "MVM", 3);
  PutText(file, 78, "FDS", 3);
  PutText(file, 108, "YEAR", 4);
  PutText(file, 118, "DAY", 3);
  PutText(file, 126, "GMT", 3);
  PutText(file, 142, "CAMERA", 6);
  PutText(file, 156, "FILTER", 6);
  PutText(file, 186, "EXP MS", 6);
  PutField(file, DataSetSuffixBytes, header.DataSetSuffix);
  PutField(file, FdsCountBytes, header.FdsCount);
  PutField(file, YearBytes, header.Year);
  PutField(file, DayBytes, header.Day);
  PutField(file, GmtBytes, header.Hours + ":" + header.Minutes + ":" + header.Seconds);
  file[CameraOffset] = header.CameraByte;
  file[FilterOffset] = header.FilterByte;
  PutRightJustified(file, ExposureBytes.Offset, header.ExposureMs, ExposureBytes.Length);
}

void WriteMariner9Header(Bytes& file, const std::vector<std::string>& lines) {
  std::fill(file.begin(), file.begin() + RecordBytes, kEbcdicSpace);
  for (std::size_t i = 0; i < lines.size() && i < Mariner9LinePieces.size(); ++i)
    PutText(file, HeaderTextBytes.Offset + Mariner9LinePieces[i].Offset, lines[i], Mariner9LinePieces[i].Length);
}

// --- the picture ----------------------------------------------------------------

struct Crater {
  double X, Y, Radius;
};

struct Scene {
  std::uint32_t Seed;
  double DiscX, DiscY, DiscRadius;  // in samples/lines; the disc may reach past the frame
  double SunX, SunY, SunZ;          // direction towards the sun, camera looks along -z
  double Albedo;                    // overall brightness of the lit surface, 0..1
  int CraterCount;
  double CraterMinRadius, CraterMaxRadius;
};

// Smooth value noise in [0, 1) from a hashed lattice.
double LatticeValue(int x, int y, std::uint32_t seed) {
  std::uint32_t h = std::uint32_t(x) * 0x8DA6B343u ^ std::uint32_t(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
  h ^= h >> 13;
  h *= 0x5BD1E995u;
  h ^= h >> 15;
  return double(h & 0xFFFFFF) / double(0x1000000);
}

double ValueNoise(double x, double y, std::uint32_t seed) {
  const int ix = int(std::floor(x));
  const int iy = int(std::floor(y));
  const double fx = x - ix, fy = y - iy;
  const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
  const double top = LatticeValue(ix, iy, seed) * (1 - sx) + LatticeValue(ix + 1, iy, seed) * sx;
  const double bottom = LatticeValue(ix, iy + 1, seed) * (1 - sx) + LatticeValue(ix + 1, iy + 1, seed) * sx;
  return top * (1 - sy) + bottom * sy;
}

// Albedo patches on three scales, around 1.
double SurfaceAlbedo(double x, double y, std::uint32_t seed) {
  const double broad = ValueNoise(x / 160, y / 160, seed);
  const double middle = ValueNoise(x / 40, y / 40, seed + 1);
  const double fine = ValueNoise(x / 9, y / 9, seed + 2);
  return 0.72 + 0.3 * broad + 0.12 * middle + 0.06 * fine;
}

std::vector<Crater> PlaceCraters(const Scene& scene, Random& random) {
  std::vector<Crater> craters;
  for (int i = 0; i < scene.CraterCount; ++i) {
    // Small craters far outnumber large ones.
    const double t = random.Unit();
    const double radius = scene.CraterMinRadius + (scene.CraterMaxRadius - scene.CraterMinRadius) * t * t * t;
    craters.push_back(
        {double(random.Between(0, PictureSamples - 1)), double(random.Between(0, FrameLines - 1)), radius});
  }
  return craters;
}

// Tilts the surface normal (nx, ny) by the walls and rims of nearby craters.
void AddCraterSlopes(const std::vector<Crater>& craters, double x, double y, double& nx, double& ny) {
  for (const Crater& crater : craters) {
    const double u = (x - crater.X) / crater.Radius;
    const double v = (y - crater.Y) / crater.Radius;
    const double d2 = u * u + v * v;
    if (d2 >= 1.96) continue;
    const double d = std::sqrt(d2);
    // Inside the bowl the wall faces the centre; the raised rim faces out and
    // flattens into the plain. The profile is continuous so no ring shows.
    const double tilt = d < 0.8 ? -0.8 * d : d < 1.0 ? -0.64 + 5.7 * (d - 0.8) : 0.5 * (1.4 - d) / 0.4;
    nx += tilt * u;
    ny += tilt * v;
  }
}

std::uint8_t Clamp(double value, int low) { return std::uint8_t(std::clamp(int(std::lround(value)), low, 255)); }

// One sample of the scene: the sky is dark but not zero; zero is left to the defects.
std::uint8_t SceneSample(const Scene& scene, const std::vector<Crater>& craters, int line, int sample, Random& grain) {
  const double x = sample - 1, y = line - 1;
  const double dx = (x - scene.DiscX) / scene.DiscRadius;
  const double dy = (y - scene.DiscY) / scene.DiscRadius;
  const double r2 = dx * dx + dy * dy;
  const double noise = grain.Between(-3, 3);
  if (r2 >= 1.0) return Clamp(4 + noise * 0.6, 1);

  double nx = dx, ny = dy;
  const double nz = std::sqrt(1.0 - r2);
  AddCraterSlopes(craters, x, y, nx, ny);
  const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
  const double light = (nx * scene.SunX + ny * scene.SunY + nz * scene.SunZ) / length;
  const double albedo = SurfaceAlbedo(x, y, scene.Seed);
  // A narrow twilight band keeps the terminator from being a hard edge.
  // light^0.75 from square roots alone: they are exact everywhere, pow is not.
  const double lit = light > 0 ? std::sqrt(light * std::sqrt(light)) : std::max(0.0, 1.0 + light * 12) * 0.03;
  // Raw frames use the lower half of the range; the contrast stretch spreads it.
  return Clamp(5 + 140 * scene.Albedo * albedo * lit + noise, 1);
}

// Defects of the transmission: what reconstruction and despeckle are for.
void AddDefects(Bytes& file, int firstRecord, int lines, int droppedLine, Random& random) {
  auto at = [&](int line, int sample) -> std::uint8_t& {
    return file[std::size_t(firstRecord + line - 1) * RecordBytes + std::size_t(sample - 1)];
  };
  for (int i = 0; i < 400; ++i) at(random.Between(1, lines), random.Between(1, PictureSamples)) = 0;
  for (int i = 0; i < 60; ++i) {
    const int line = random.Between(1, lines);
    const int start = random.Between(1, PictureSamples - 12);
    const int length = random.Between(2, 12);
    for (int s = start; s < start + length; ++s) at(line, s) = 0;
  }
  for (int i = 0; i < 300; ++i)
    at(random.Between(1, lines), random.Between(1, PictureSamples)) = std::uint8_t(random.Between(235, 255));
  for (int i = 0; i < 300; ++i) {
    std::uint8_t& sample = at(random.Between(1, lines), random.Between(1, PictureSamples));
    sample = std::uint8_t(std::max(1, sample / 5));
  }
  if (droppedLine >= 1 && droppedLine <= lines) {
    const std::size_t offset = std::size_t(firstRecord + droppedLine - 1) * RecordBytes;
    std::fill(file.begin() + std::ptrdiff_t(offset), file.begin() + std::ptrdiff_t(offset) + RecordBytes, 0);
  }
}

// Writes `lines` image lines into records firstRecord... of file; each line's
// suffix carries its line number and a running count, as telemetry would.
void WritePicture(Bytes& file, const Scene& scene, int firstRecord, int lines, int droppedLine) {
  Random random(scene.Seed);
  const std::vector<Crater> craters = PlaceCraters(scene, random);
  for (int line = 1; line <= lines; ++line) {
    const std::size_t record = std::size_t(firstRecord + line - 1) * RecordBytes;
    for (int sample = 1; sample <= PictureSamples; ++sample)
      file[record + std::size_t(sample - 1)] = SceneSample(scene, craters, line, sample, random);
    file[record + PictureSamples] = std::uint8_t(line >> 8);
    file[record + PictureSamples + 1] = std::uint8_t(line & 0xFF);
    for (int i = PictureSamples + 2; i < RecordBytes; ++i) file[record + std::size_t(i)] = std::uint8_t(i + line);
  }
  AddDefects(file, firstRecord, lines, droppedLine, random);
}

// --- the frames -------------------------------------------------------------------

Bytes Mariner10Frame(std::size_t length, const Mariner10Header& header, const Scene& scene, int droppedLine) {
  Bytes file(length, 0);
  WriteMariner10Header(file, header);
  const int lines = std::min<int>(FrameLines, int(length / RecordBytes) - 1);
  WritePicture(file, scene, 1, lines, droppedLine);
  return file;
}

// Record 1 is junk the loader drops; the picture starts at record 2.
Bytes Mariner9Frame(const std::vector<std::string>& headerLines, const Scene& scene, int droppedLine) {
  Bytes file(std::size_t(vantorel::Mariner9FrameFileBytes), 0);
  WriteMariner9Header(file, headerLines);
  Random junk(scene.Seed ^ 0xA5A5A5A5u);
  for (int i = 0; i < RecordBytes; ++i) file[std::size_t(RecordBytes + i)] = std::uint8_t(junk.Next() & 0xFF);
  WritePicture(file, scene, 2, FrameLines, droppedLine);
  return file;
}

// Write then rename, so the folder never holds a truncated frame.
void WriteFrame(const std::filesystem::path& folder, const std::string& name, const Bytes& bytes) {
  const std::filesystem::path target = folder / name;
  const std::filesystem::path partial = folder / (name + ".part");
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out.close();
    if (!out) {
      std::filesystem::remove(partial);
      throw std::runtime_error("cannot write " + partial.string());
    }
  }
  std::filesystem::rename(partial, target);
}

void MakeSamples(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);

  // A limb view: the disc stands off the lower left, lit from the left.
  WriteFrame(folder, "MVE0101.012",
             Mariner10Frame(std::size_t(vantorel::FullFrameFileBytes),
                            {"01", "0026870", "74", "089", "20", "47", "13", 0xC1, 0xF5, "1234"},
                            {0x1001u, 300, 520, 560, -0.85, -0.25, 0.46, 0.85, 140, 3, 45}, 411));

  // Close-up of a cratered plain with the terminator running across.
  WriteFrame(folder, "MVE0257.120",
             Mariner10Frame(std::size_t(vantorel::FullFrameFileBytes),
                            {"02", "0027114", "74", "090", "02", "05", "58", 0xC2, 0xF8, "  42"},
                            {0x2002u, 480, 1500, 1450, 0.70, 0.05, 0.30, 0.75, 150, 4, 60}, 133));

  // A frame cut short on the volume: 692 lines, the rest stays black.
  WriteFrame(folder, "MVE0301.230",
             Mariner10Frame(std::size_t(vantorel::ShortFrameFileBytes),
                            {"03", "0027301", "74", "091", "11", "30", "07", 0xC1, 0xF2, "   460"},
                            {0x3003u, 416, 350, 300, -0.30, -0.60, 0.74, 0.9, 90, 2, 30}, 560));

  // Mars with its terminator; the text header of the Mariner 9 volumes.
  WriteFrame(folder, "MME0101.001",
             Mariner9Frame({"MARINER 9 CAM B PIC 712", "DAS TIME 07125713", "REV 128 ORBIT 064", "DATE 1972/01/12",
                            "GMT 02:41:17", "FILTER 3 ORANGE", "EXPOSURE 0.0480 SEC", "TARGET MARS",
                            "LAT -23.4 LON 147.2", "RANGE 4217 KM", "SUN ELEV 18.6 DEG", "PHASE 61.3 DEG"},
                           {0x4004u, 400, 330, 290, 0.55, -0.35, 0.76, 0.8, 70, 2, 38}, 257));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vantorel-make-samples FOLDER\n");
    return 2;
  }
  try {
    MakeSamples(argv[1]);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "vantorel-make-samples: %s\n", error.what());
    return 1;
  }
  return 0;
}
