// Despeckle: a sample much brighter, or darker, than nearly all of its eight
// neighbours takes the truncated mean of those that differ that much.
//
// The sweep is in place and ascending, so a decision sees the replaced values
// of x - 1 and of the line above. It is worked in chunks shorter than a
// record: when a chunk starts, the line above every byte of it is final and
// the line below untouched, so whether a byte would change can be worked out
// for the whole chunk at once (which the compiler vectorises). Within the
// chunk only x - 1 can still change under a byte; that byte is decided again,
// one at a time, whenever its left neighbour changed.
#include <algorithm>
#include <cstdint>

#include "pipeline/chunked_sweep.h"
#include "pipeline/neighbour_offsets.h"
#include "pipeline/stages.h"

namespace vantorel {

namespace {

struct SpeckRule {
  int BrightThreshold;  // a neighbour counts when v - u exceeds this
  int BrightQuorum;
  int DarkThreshold;  // a neighbour counts when u - v exceeds this
  int DarkQuorum;
};

// After tone mapping only a sample that stands out from every neighbour is a speck.
constexpr int LateThreshold = 5;
constexpr int AllNeighbours = int(NeighbourOffsets.size());
constexpr int EarlyBrightQuorum = 6;
constexpr int EarlyDarkQuorum = 7;

// Frames with every other column empty (Mariner 9 frames sampled at half
// width) are left alone: there every sample would look like a speck.
constexpr int ColumnTestFirstLine = 31;
constexpr int ColumnTestLastLine = 630;
constexpr int ColumnTestFirstSample = 399;  // in-record offset
constexpr int ColumnTestColumns = 6;

bool HasEveryOtherColumnEmpty(const std::uint8_t* frame) {
  bool lit[ColumnTestColumns] = {};
  for (int line = ColumnTestFirstLine; line <= ColumnTestLastLine; ++line)
    for (int k = 0; k < ColumnTestColumns; ++k)
      lit[k] = lit[k] || frame[line * RecordBytes + ColumnTestFirstSample + k] != 0;
  const bool evenEmpty = !lit[0] && !lit[2] && !lit[4];
  const bool oddEmpty = !lit[1] && !lit[3] && !lit[5];
  return (evenEmpty && lit[1] && lit[3] && lit[5]) || (oddEmpty && lit[0] && lit[2] && lit[4]);
}

// Which side of v a neighbour must lie on to count.
constexpr int Darker = -1, Brighter = 1;

// The truncated mean of the neighbours of x lying more than `threshold` on
// `side` of v, when at least `quorum` of them do; else v.
int MeanOfStandouts(const std::uint8_t* frame, int x, int v, int side, int threshold, int quorum) {
  int count = 0, sum = 0;
  for (int offset : NeighbourOffsets) {
    const int u = frame[x + offset];
    if (side * (u - v) > threshold) ++count, sum += u;
  }
  return count >= quorum ? sum / count : v;
}

// Decides x one byte at a time; true when its value changed. The dark test
// sees what the bright one left.
bool DespeckleAt(std::uint8_t* frame, int x, const SpeckRule& rule) {
  const int original = frame[x];
  int v = MeanOfStandouts(frame, x, original, Darker, rule.BrightThreshold, rule.BrightQuorum);
  v = MeanOfStandouts(frame, x, v, Brighter, rule.DarkThreshold, rule.DarkQuorum);
  frame[x] = static_cast<std::uint8_t>(v);
  return v != original;
}

// Flags the bytes of a chunk that would change, judged on the frame as it is.
// Without a bright replacement v stays as it is, so the dark count is the one
// the byte-wise decision would make. Each neighbour is compared with a bound
// worked out once per byte, all in bytes, so that the loop vectorises 16
// bytes at a time; a bound that would leave 0..255 means no neighbour counts.
void FlagSpecks(const std::uint8_t* at, int length, const SpeckRule& rule, std::uint8_t* flags) {
  const int brightThreshold = rule.BrightThreshold, darkThreshold = rule.DarkThreshold;
  const auto brightQuorum = std::uint8_t(rule.BrightQuorum), darkQuorum = std::uint8_t(rule.DarkQuorum);
  for (int i = 0; i < length; ++i) {
    const int v = at[i];
    const bool darkerPossible = v > brightThreshold, brighterPossible = v + darkThreshold < 255;
    const auto darkerAtMost = std::uint8_t(darkerPossible ? v - brightThreshold - 1 : 0);       // v - u > TB
    const auto brighterAtLeast = std::uint8_t(brighterPossible ? v + darkThreshold + 1 : 255);  // u - v > TD
    std::uint8_t darkerNeighbours = 0, brighterNeighbours = 0;
    for (int offset : NeighbourOffsets) {
      const std::uint8_t u = at[i + offset];
      darkerNeighbours += u <= darkerAtMost;
      brighterNeighbours += u >= brighterAtLeast;
    }
    flags[i] =
        (darkerPossible & (darkerNeighbours >= brightQuorum)) | (brighterPossible & (brighterNeighbours >= darkQuorum));
  }
}

void DespeckleChunk(std::uint8_t* frame, int start, int length, const SpeckRule& rule) {
  std::uint8_t flags[ChunkBytes];
  FlagSpecks(frame + start, length, rule, flags);
  int i = NextFlag(flags, 0, length);
  while (i < length) {
    const bool changed = DespeckleAt(frame, start + i, rule);
    i = changed ? i + 1 : NextFlag(flags, i + 1, length);
  }
}

void Despeckle(RenderContext& context, const SpeckRule& rule) {
  if (!context.On(Option::Despeckle) || context.PresentLines() == 0) return;
  std::uint8_t* frame = context.WorkFrame.data();
  if (HasEveryOtherColumnEmpty(frame)) return;

  // Records 1..PresentLines(), within the window, and never where a neighbour
  // would lie outside the buffer, whatever window the context carries.
  const int lowestSafe = RecordBytes + 1;
  const int highestSafe = int(context.WorkFrame.size()) - RecordBytes - 2;
  const int first = std::max(context.Despeckle.FirstOffset, lowestSafe);
  const int lastPresent = int(SampleOffset(context.PresentLines(), RecordBytes));
  const int last = std::min({context.Despeckle.LastOffset, lastPresent, highestSafe});
  ForEachChunk(first, last, [frame, &rule](int start, int length) { DespeckleChunk(frame, start, length, rule); });
}

}  // namespace

void DespeckleEarly(RenderContext& context) {
  const DespeckleSettings& settings = context.Despeckle;
  Despeckle(context, {settings.BrightSpeckThreshold, EarlyBrightQuorum, settings.DarkSpeckThreshold, EarlyDarkQuorum});
}

void DespeckleLate(RenderContext& context) {
  Despeckle(context, {LateThreshold, AllNeighbours, LateThreshold, AllNeighbours});
}

}  // namespace vantorel
