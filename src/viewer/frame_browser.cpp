#include "viewer/frame_browser.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <tuple>

#include "frames/file_name.h"

namespace vantorel {
namespace {

const HeaderRecord* HeaderOf(const CatalogueEntry& entry) { return entry.Header ? &*entry.Header : nullptr; }

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool ContainsIgnoringAsciiCase(std::string_view text, std::string_view part) {
  return std::search(text.begin(), text.end(), part.begin(), part.end(),
                     [](char a, char b) { return LowerAscii(a) == LowerAscii(b); }) != text.end();
}

bool Same(const std::optional<std::string>& value, std::string_view wanted) {
  return value && SameIgnoringAsciiCase(*value, wanted);
}

const std::optional<std::string>& FdsText(const HeaderRecord& header) {
  return header.FdsCount ? header.FdsCount : header.PictureNumber;
}

// Sort keys: whether the entry has the key at all (those without go last), then the key.
struct FdsKey {
  int Kind;  // 0 a whole number, 1 other text, 2 none
  long long Number;
  std::string_view Text;
  auto operator<=>(const FdsKey&) const = default;
};

FdsKey FdsKeyOf(const CatalogueEntry& entry) {
  const HeaderRecord* header = HeaderOf(entry);
  if (!header || !FdsText(*header)) return {2, 0, {}};
  const std::string& text = *FdsText(*header);
  if (const std::optional<int> number = WholeNumber(text)) return {0, *number, {}};
  return {1, 0, text};
}

const std::string* TimeOf(const CatalogueEntry& entry) {
  const HeaderRecord* header = HeaderOf(entry);
  return header && header->Observed.Utc ? &*header->Observed.Utc : nullptr;
}

std::optional<long long> FrameNumberOf(const HeaderRecord& header) {
  const std::optional<std::string>& text = FdsText(header);
  if (!text) return std::nullopt;
  return WholeNumber(*text);
}

struct ColorCandidate {
  const CatalogueEntry* Entry;
  long long Distance;  // from the frame on screen's count
  FilterColor Color;
};

bool DistinctWavelengths(const std::array<ColorCandidate, 3>& set) {
  const int a = set[0].Color.WavelengthNm, b = set[1].Color.WavelengthNm, c = set[2].Color.WavelengthNm;
  return a != b && b != c && a != c;
}

// Red first: the longest wavelength.
ColorSet ByWavelength(std::array<ColorCandidate, 3> set) {
  std::sort(set.begin(), set.end(), [](const ColorCandidate& a, const ColorCandidate& b) {
    return a.Color.WavelengthNm > b.Color.WavelengthNm;
  });
  return {set[0].Entry->Path, set[1].Entry->Path, set[2].Entry->Path};
}

// Enough for every frame within reach of the frame on screen, a few times over.
constexpr std::size_t MostColorCandidates = 64;

}  // namespace

std::optional<ColorSet> SuggestColorSet(const std::vector<CatalogueEntry>& entries, const HeaderRecord& onScreen) {
  const std::optional<long long> centre = FrameNumberOf(onScreen);
  if (!centre || !onScreen.Camera) return std::nullopt;
  std::vector<ColorCandidate> candidates;
  for (const CatalogueEntry& entry : entries) {
    const HeaderRecord* header = HeaderOf(entry);
    if (!entry.IsFrame || !header || header->Kind != onScreen.Kind || header->Camera != onScreen.Camera) continue;
    const std::optional<long long> number = FrameNumberOf(*header);
    const std::optional<FilterColor> color = FilterColorOf(*header);
    if (!number || !color || std::llabs(*number - *centre) > ColorSetReach) continue;
    candidates.push_back({&entry, std::llabs(*number - *centre), *color});
  }
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const ColorCandidate& a, const ColorCandidate& b) { return a.Distance < b.Distance; });
  if (candidates.size() > MostColorCandidates) candidates.resize(MostColorCandidates);

  using Rank = std::tuple<int, long long, long long>;  // last resorts, farthest, all distances
  std::optional<std::pair<Rank, std::array<ColorCandidate, 3>>> best;
  const std::size_t n = candidates.size();
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = i + 1; j < n; ++j)
      for (std::size_t k = j + 1; k < n; ++k) {
        const std::array<ColorCandidate, 3> set{candidates[i], candidates[j], candidates[k]};
        if (!DistinctWavelengths(set)) continue;
        int lastResorts = 0;
        for (const ColorCandidate& member : set) lastResorts += member.Color.LastResort;
        // Candidates come nearest first, so k is the farthest.
        const Rank rank{lastResorts, set[2].Distance, set[0].Distance + set[1].Distance + set[2].Distance};
        if (!best || rank < best->first) best.emplace(rank, set);
      }
  if (!best) return std::nullopt;
  return ByWavelength(best->second);
}

std::optional<ColorSet> ColorOrder(const std::array<const CatalogueEntry*, 3>& entries) {
  std::array<ColorCandidate, 3> set{};
  for (std::size_t c = 0; c < 3; ++c) {
    const HeaderRecord* header = HeaderOf(*entries[c]);
    const std::optional<FilterColor> color = header ? FilterColorOf(*header) : std::nullopt;
    if (!color) return std::nullopt;
    set[c] = {entries[c], 0, *color};
  }
  if (!DistinctWavelengths(set)) return std::nullopt;
  return ByWavelength(set);
}

bool MatchesFilter(const CatalogueEntry& entry, const BrowserFilter& filter) {
  if (filter.FramesOnly && !entry.IsFrame) return false;
  const HeaderRecord* header = HeaderOf(entry);
  const bool asksHeader = !filter.DataSet.empty() || !filter.Camera.empty() || !filter.Filter.empty() ||
                          !filter.From.empty() || !filter.To.empty();
  if (asksHeader && !header) return false;
  if (!filter.DataSet.empty() && !SameIgnoringAsciiCase(header->NssdcDataSetId, filter.DataSet) &&
      !Same(header->HeaderDataSetCode, filter.DataSet))
    return false;
  if (!filter.Camera.empty() &&
      !(header->Camera && SameIgnoringAsciiCase(std::string_view(&*header->Camera, 1), filter.Camera)))
    return false;
  if (!filter.Filter.empty() && !Same(header->FilterName, filter.Filter)) return false;
  if (!filter.From.empty() || !filter.To.empty()) {
    const std::string* time = TimeOf(entry);
    if (!time) return false;
    if (!filter.From.empty() && *time < filter.From) return false;
    if (!filter.To.empty() && *time > filter.To && !time->starts_with(filter.To)) return false;
  }
  if (filter.Text.empty()) return true;
  if (ContainsIgnoringAsciiCase(FileNamePart(entry.Path), filter.Text)) return true;
  if (!header) return false;
  for (const std::optional<std::string>* field :
       {&header->Target, &header->FilterName, &header->FdsCount, &header->PictureNumber, &header->Observed.Utc})
    if (*field && ContainsIgnoringAsciiCase(**field, filter.Text)) return true;
  return false;
}

std::string TimeCaption(const CatalogueEntry& entry) {
  const HeaderRecord* header = HeaderOf(entry);
  if (!header) return {};
  const ObservationTime& observed = header->Observed;
  if (observed.Utc) {
    std::string caption = *observed.Utc;
    std::replace(caption.begin(), caption.end(), 'T', ' ');
    return caption;
  }
  std::string caption;
  if (observed.Year) caption += *observed.Year;
  if (observed.DayOfYear) {
    if (!caption.empty()) caption += '-';
    caption += *observed.DayOfYear;
  }
  return caption;
}

std::string FilterCaption(const CatalogueEntry& entry) {
  const HeaderRecord* header = HeaderOf(entry);
  if (!header) return {};
  if (header->FilterName) return *header->FilterName;
  if (header->FilterNumber) return "filter " + std::to_string(*header->FilterNumber);
  return {};
}

void FrameBrowser::SetEntries(std::vector<CatalogueEntry> entries) {
  entries_ = std::move(entries);
  byPath_.clear();
  byPath_.reserve(entries_.size());
  for (std::size_t i = 0; i < entries_.size(); ++i) byPath_.emplace(entries_[i].Path, i);
  Refresh();
}

void FrameBrowser::SetFilter(const BrowserFilter& filter) {
  if (filter == filter_) return;
  filter_ = filter;
  Refresh();
}

void FrameBrowser::SetSort(const BrowserSort& sort) {
  if (sort == sort_) return;
  sort_ = sort;
  Refresh();
}

void FrameBrowser::Refresh() {
  shown_.clear();
  for (std::size_t i = 0; i < entries_.size(); ++i)
    if (MatchesFilter(entries_[i], filter_)) shown_.push_back(i);
  const auto byName = [this](std::size_t a, std::size_t b) {
    return std::tuple(FileNamePart(entries_[a].Path), std::string_view(entries_[a].Path)) <
           std::tuple(FileNamePart(entries_[b].Path), std::string_view(entries_[b].Path));
  };
  // Compares the keys of a and b: -1, 0 or 1, with entries lacking the key after the rest.
  const auto compareKeys = [this](std::size_t a, std::size_t b) -> std::pair<bool, int> {
    if (sort_.Key == BrowserSortKey::Time) {
      const std::string *timeA = TimeOf(entries_[a]), *timeB = TimeOf(entries_[b]);
      if (!timeA || !timeB) return {timeA != timeB, timeA ? -1 : timeB ? 1 : 0};
      return {false, timeA->compare(*timeB)};
    }
    const FdsKey keyA = FdsKeyOf(entries_[a]), keyB = FdsKeyOf(entries_[b]);
    if (keyA.Kind != keyB.Kind) return {keyA.Kind == 2 || keyB.Kind == 2, keyA.Kind < keyB.Kind ? -1 : 1};
    return {false, keyA < keyB ? -1 : keyB < keyA ? 1 : 0};
  };
  std::stable_sort(shown_.begin(), shown_.end(), [&](std::size_t a, std::size_t b) {
    if (sort_.Key != BrowserSortKey::Name) {
      const auto [missing, order] = compareKeys(a, b);
      if (order != 0) return missing || !sort_.Descending ? order < 0 : order > 0;
    }
    return sort_.Descending && sort_.Key == BrowserSortKey::Name ? byName(b, a) : byName(a, b);
  });
  shownPositions_.assign(entries_.size(), NotShown);
  for (std::size_t position = 0; position < shown_.size(); ++position) shownPositions_[shown_[position]] = position;
}

std::optional<std::size_t> FrameBrowser::EntryOf(std::string_view path) const {
  if (const auto found = byPath_.find(std::string(path)); found != byPath_.end()) return found->second;
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::path(path), error);
  if (error) return std::nullopt;
  if (const auto found = byPath_.find(absolute.lexically_normal().native()); found != byPath_.end())
    return found->second;
  return std::nullopt;
}

std::optional<std::size_t> FrameBrowser::ShownPositionOf(std::string_view path) const {
  const std::optional<std::size_t> entry = EntryOf(path);
  if (!entry || shownPositions_[*entry] == NotShown) return std::nullopt;
  return shownPositions_[*entry];
}

BrowserChoices FrameBrowser::Choices() const {
  std::set<std::string> dataSets, filters;
  for (const CatalogueEntry& entry : entries_) {
    if (!entry.IsFrame || !entry.Header) continue;
    if (!entry.Header->NssdcDataSetId.empty()) dataSets.insert(entry.Header->NssdcDataSetId);
    if (entry.Header->FilterName) filters.insert(*entry.Header->FilterName);
  }
  return {{dataSets.begin(), dataSets.end()}, {filters.begin(), filters.end()}};
}

}  // namespace vantorel
