// Despeckle: a sample much brighter, or darker, than nearly all of its eight
// neighbours takes the truncated mean of those that differ that much.
//
// The sweep is in place and ascending, so a decision sees the replaced values
// of x - 1 and of the line above. It is worked in chunks shorter than a
// record: when a chunk starts, the line above every byte of it is final and
// the line below untouched, so a cheap test that rules out nearly every byte
// can be worked out for the whole chunk at once (which the compiler
// vectorises); the bytes it leaves are decided one at a time, in order.
#include <algorithm>
#include <cstdint>

#include "pipeline/chunked_sweep.h"
#include "pipeline/neighbour_offsets.h"
#include "pipeline/stages.h"
#include "pipeline/vector_clones.h"

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

// Decides x alone, and tells whether its value changed. The dark test sees
// what the bright one left.
bool DespeckleAt(std::uint8_t* frame, int x, const SpeckRule& rule) {
  const int was = frame[x];
  int v = MeanOfStandouts(frame, x, was, Darker, rule.BrightThreshold, rule.BrightQuorum);
  v = MeanOfStandouts(frame, x, v, Brighter, rule.DarkThreshold, rule.DarkQuorum);
  frame[x] = static_cast<std::uint8_t>(v);
  return v != was;
}

// While a chunk is worked only x - 1 can still change under a byte: its
// other seven neighbours are already final (the line above) or not yet
// visited (x + 1, the line below). A byte that fails a test on those seven
// alone can never change, whatever x - 1 becomes, so only the few that pass
// are decided one at a time, in order.
//
// A test that lets at most two neighbours fail is met by at least one of any
// three; one that lets none fail, by every one. The bounds below are the
// loosest that v must clear for that, over trios of the seven.
enum class Quorum { AllButTwoAtMost, Every };  // early, late
static_assert(AllNeighbours - EarlyBrightQuorum <= 2 && AllNeighbours - EarlyDarkQuorum <= 2);

inline std::uint8_t Min3(std::uint8_t a, std::uint8_t b, std::uint8_t c) { return std::min(std::min(a, b), c); }
inline std::uint8_t Max3(std::uint8_t a, std::uint8_t b, std::uint8_t c) { return std::max(std::max(a, b), c); }
// Written with max so that it vectorises.
inline std::uint8_t SaturatingSubtract(std::uint8_t a, std::uint8_t b) { return std::uint8_t(std::max(a, b) - b); }

// Flags (non-zero) the bytes of a chunk that may change; all in bytes, so
// that the loop vectorises.
template <Quorum kind>
inline void FlagCandidates(const std::uint8_t* at, int length, std::uint8_t brightThreshold, std::uint8_t darkThreshold,
                           std::uint8_t* flags) {
  for (int i = 0; i < length; ++i) {
    const std::uint8_t* above = at + i - RecordBytes;
    const std::uint8_t* below = at + i + RecordBytes;
    const std::uint8_t right = at[i + 1];
    std::uint8_t darkerBound, brighterBound;  // a counting neighbour lies below / above these
    if constexpr (kind == Quorum::Every) {
      darkerBound = std::max({Max3(above[-1], above[0], above[1]), Max3(below[-1], below[0], below[1]), right});
      brighterBound = std::min({Min3(above[-1], above[0], above[1]), Min3(below[-1], below[0], below[1]), right});
    } else {
      darkerBound = std::max(
          {Min3(above[-1], above[0], above[1]), Min3(below[-1], below[0], below[1]), Min3(above[1], right, below[1])});
      brighterBound = std::min(
          {Max3(above[-1], above[0], above[1]), Max3(below[-1], below[0], below[1]), Max3(above[1], right, below[1])});
    }
    // Non-zero where v - TB > bound or v + TD < bound, each side saturating
    // at 0 where it cannot hold.
    const std::uint8_t v = at[i];
    flags[i] = SaturatingSubtract(SaturatingSubtract(v, brightThreshold), darkerBound) |
               SaturatingSubtract(SaturatingSubtract(brighterBound, darkThreshold), v);
  }
}

VANTOREL_VECTOR_CLONES void FlagEveryNeighbourCandidates(const std::uint8_t* at, int length,
                                                         std::uint8_t brightThreshold, std::uint8_t darkThreshold,
                                                         std::uint8_t* flags) {
  FlagCandidates<Quorum::Every>(at, length, brightThreshold, darkThreshold, flags);
}

VANTOREL_VECTOR_CLONES void FlagMostNeighbourCandidates(const std::uint8_t* at, int length,
                                                        std::uint8_t brightThreshold, std::uint8_t darkThreshold,
                                                        std::uint8_t* flags) {
  FlagCandidates<Quorum::AllButTwoAtMost>(at, length, brightThreshold, darkThreshold, flags);
}

template <Quorum kind>
void DespeckleChunk(const RenderContext& context, int start, int length, const SpeckRule& rule,
                    std::int32_t& replaced) {
  std::uint8_t* frame = context.WorkFrame.data();
  std::uint8_t flags[ChunkBytes];
  const auto flag = kind == Quorum::Every ? FlagEveryNeighbourCandidates : FlagMostNeighbourCandidates;
  flag(frame + start, length, std::uint8_t(rule.BrightThreshold), std::uint8_t(rule.DarkThreshold), flags);
  ForEachFlag(flags, length, [frame, start, &context, &rule, &replaced](int i) {
    if (DespeckleAt(frame, start + i, rule) && IsPictureSample(start + i)) {
      ++replaced;
      context.NoteReplaced(start + i);
    }
  });
}

template <Quorum kind>
void Despeckle(RenderContext& context, const SpeckRule& rule, std::int32_t& replaced) {
  replaced = 0;
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
  ForEachChunk(first, last, [&context, &rule, &replaced](int start, int length) {
    DespeckleChunk<kind>(context, start, length, rule, replaced);
  });
}

}  // namespace

void DespeckleEarly(RenderContext& context) {
  const DespeckleSettings& settings = context.Despeckle;
  Despeckle<Quorum::AllButTwoAtMost>(
      context, {settings.BrightSpeckThreshold, EarlyBrightQuorum, settings.DarkSpeckThreshold, EarlyDarkQuorum},
      context.Replaced.DespeckleEarly);
}

void DespeckleLate(RenderContext& context) {
  Despeckle<Quorum::Every>(context, {LateThreshold, AllNeighbours, LateThreshold, AllNeighbours},
                           context.Replaced.DespeckleLate);
}

}  // namespace vantorel
