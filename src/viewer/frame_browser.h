// The window's frame browser without its widgets: the files of a folder or a
// catalogue, narrowed by a filter bar and put in order, and where the frame
// on screen is among them. The dock only shows what this holds.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "catalogue/catalogue.h"

namespace vantorel {

enum class BrowserSortKey { Name, Time, FdsCount };

// What the filter bar asks for; an empty field asks for nothing.
struct BrowserFilter {
  std::string DataSet{};  // the NSSDC id or the header's code, any case
  std::string Camera{};   // A or B, any case
  std::string Filter{};   // the filter name, any case
  // Ends of the observation time as SelectionTime gives them; To takes in all it begins.
  std::string From{};
  std::string To{};
  std::string Text{};  // found in the name, target, filter, FDS count or time, any case
  bool FramesOnly = false;

  bool operator==(const BrowserFilter&) const = default;
};

struct BrowserSort {
  BrowserSortKey Key = BrowserSortKey::Name;
  bool Descending = false;  // entries without the key stay last either way

  bool operator==(const BrowserSort&) const = default;
};

bool MatchesFilter(const CatalogueEntry& entry, const BrowserFilter& filter);

// The lines under a thumbnail: the time as "1974-089 20:47:13" (what the header
// has of it), and the filter name; empty where the header has nothing.
std::string TimeCaption(const CatalogueEntry& entry);
std::string FilterCaption(const CatalogueEntry& entry);

// The values the filter bar offers, each once, sorted.
struct BrowserChoices {
  std::vector<std::string> DataSets;
  std::vector<std::string> Filters;
};

// A colour composite's three frames by path: red, green, blue.
using ColorSet = std::array<std::string, 3>;

// How far a suggested frame's FDS count (Mariner 9: picture number) may lie
// from the frame on screen's: a filter sequence takes pictures one after
// another, and this leaves room for another camera's or a repeated exposure
// in between without reaching into the next sequence.
inline constexpr int ColorSetReach = 10;

// The browser's suggestion around the frame on screen (its header onScreen):
// three frames of its data set and camera, counts within ColorSetReach of its
// own, three filters that take part in colour, longest wavelength as red. The
// set with the fewest last-resort filters wins, then the one whose farthest
// frame is nearest the frame on screen, then the nearest altogether, so that
// the frame on screen is in it where it can be. Nothing without such a set,
// or when the frame on screen has no count or camera.
std::optional<ColorSet> SuggestColorSet(const std::vector<CatalogueEntry>& entries, const HeaderRecord& onScreen);

// The three in red, green, blue order by their filters' wavelengths; nothing
// unless each has a filter that takes part and no two share a wavelength.
std::optional<ColorSet> ColorOrder(const std::array<const CatalogueEntry*, 3>& entries);

class FrameBrowser {
 public:
  void SetEntries(std::vector<CatalogueEntry> entries);
  void SetFilter(const BrowserFilter& filter);
  void SetSort(const BrowserSort& sort);

  const std::vector<CatalogueEntry>& Entries() const { return entries_; }
  // Indices into Entries() of what passes the filter, in the sort's order.
  const std::vector<std::size_t>& Shown() const { return shown_; }
  const BrowserFilter& Filter() const { return filter_; }
  const BrowserSort& Sort() const { return sort_; }
  // Where the entry of path is in Shown(); nothing when it is filtered out or absent.
  std::optional<std::size_t> ShownPositionOf(std::string_view path) const;
  // The entry of path, matched as given or as its absolute, normalised spelling.
  std::optional<std::size_t> EntryOf(std::string_view path) const;
  // Where each entry is in Shown(), NotShown for those filtered out.
  static constexpr std::size_t NotShown = std::size_t(-1);
  const std::vector<std::size_t>& ShownPositions() const { return shownPositions_; }
  BrowserChoices Choices() const;

 private:
  void Refresh();

  std::vector<CatalogueEntry> entries_;
  std::unordered_map<std::string, std::size_t> byPath_;
  std::vector<std::size_t> shown_;
  std::vector<std::size_t> shownPositions_;
  BrowserFilter filter_;
  BrowserSort sort_;
};

}  // namespace vantorel
