// The frame browser's filter bar and sort over a small hand-made catalogue.
#include "viewer/frame_browser.h"

#include <gtest/gtest.h>

namespace vantorel {
namespace {

CatalogueEntry Frame(const char* name, const char* dataSet, std::optional<std::string> code, char camera,
                     const char* filter, std::optional<std::string> utc, std::optional<std::string> fds) {
  HeaderRecord header{.NssdcDataSetId = dataSet, .HeaderDataSetCode = code, .Camera = camera, .FilterName = filter};
  header.Observed.Utc = std::move(utc);
  (code ? header.PictureNumber : header.FdsCount) = std::move(fds);
  if (code) header.Target = "MARS";
  return {.Path = std::string("/archive/") + name, .IsFrame = true, .Header = header};
}

std::vector<CatalogueEntry> SmallCatalogue() {
  return {Frame("MVE0002.012", "PSPA-00108", {}, 'B', "UV", "1974-03-30T20:47:13", "26869"),
          {.Path = "/archive/notes.txt", .Bytes = 35, .IsFrame = false},
          Frame("MVE0003.012", "PSPA-00108", {}, 'A', "clear", {}, "12-34"),
          Frame("MME0101.001", "PSPG-00235", "MVM73", 'B', "ORANGE", "1972-01-12T02:41:17", "712"),
          Frame("MVE0001.012", "PSPA-00108", {}, 'A', "CLEAR", "1974-03-29T10:00:00", "0026870")};
}

std::vector<std::string> ShownNames(const FrameBrowser& browser) {
  std::vector<std::string> names;
  for (const std::size_t entry : browser.Shown())
    names.push_back(browser.Entries()[entry].Path.substr(std::string("/archive/").size()));
  return names;
}

struct FilterCase {
  const char* Name;
  BrowserFilter Filter;
  std::vector<std::string> Shown;
};

TEST(FrameBrowserTest, FilterBarNarrowsTheCatalogue) {
  const FilterCase cases[] = {
      {"nothing asked", {}, {"MME0101.001", "MVE0001.012", "MVE0002.012", "MVE0003.012", "notes.txt"}},
      {"filter in any case", {.Filter = "clear"}, {"MVE0001.012", "MVE0003.012"}},
      {"camera in any case", {.Camera = "b"}, {"MME0101.001", "MVE0002.012"}},
      {"data set by the header's code", {.DataSet = "mvm73"}, {"MME0101.001"}},
      {"data set by its id", {.DataSet = "pspa-00108"}, {"MVE0001.012", "MVE0002.012", "MVE0003.012"}},
      {"from a year", {.From = "1974"}, {"MVE0001.012", "MVE0002.012"}},
      {"to a day takes the whole day", {.To = "1974-03-29"}, {"MME0101.001", "MVE0001.012"}},
      {"one day", {.From = "1974-03-30", .To = "1974-03-30"}, {"MVE0002.012"}},
      {"text in the target", {.Text = "mars"}, {"MME0101.001"}},
      {"text in the name", {.Text = "TXT"}, {"notes.txt"}},
      {"text in the FDS count", {.Text = "2687"}, {"MVE0001.012"}},
      {"text and camera together", {.Camera = "A", .Text = "0003"}, {"MVE0003.012"}},
      {"frames only", {.FramesOnly = true}, {"MME0101.001", "MVE0001.012", "MVE0002.012", "MVE0003.012"}},
  };
  FrameBrowser browser;
  browser.SetEntries(SmallCatalogue());
  for (const FilterCase& test : cases) {
    browser.SetFilter(test.Filter);
    EXPECT_EQ(ShownNames(browser), test.Shown) << test.Name;
  }
}

struct SortCase {
  const char* Name;
  BrowserSort Sort;
  std::vector<std::string> Shown;
};

TEST(FrameBrowserTest, SortKeepsEntriesWithoutTheKeyLast) {
  const SortCase cases[] = {
      {"name descending",
       {BrowserSortKey::Name, true},
       {"notes.txt", "MVE0003.012", "MVE0002.012", "MVE0001.012", "MME0101.001"}},
      {"time",
       {BrowserSortKey::Time, false},
       {"MME0101.001", "MVE0001.012", "MVE0002.012", "MVE0003.012", "notes.txt"}},
      {"time descending",
       {BrowserSortKey::Time, true},
       {"MVE0002.012", "MVE0001.012", "MME0101.001", "MVE0003.012", "notes.txt"}},
      {"FDS count as numbers",
       {BrowserSortKey::FdsCount, false},
       {"MME0101.001", "MVE0002.012", "MVE0001.012", "MVE0003.012", "notes.txt"}},
      {"FDS count descending",
       {BrowserSortKey::FdsCount, true},
       {"MVE0003.012", "MVE0001.012", "MVE0002.012", "MME0101.001", "notes.txt"}},
  };
  FrameBrowser browser;
  browser.SetEntries(SmallCatalogue());
  for (const SortCase& test : cases) {
    browser.SetSort(test.Sort);
    EXPECT_EQ(ShownNames(browser), test.Shown) << test.Name;
  }
}

TEST(FrameBrowserTest, FindsTheFrameOnScreenAmongWhatIsShown) {
  FrameBrowser browser;
  browser.SetEntries(SmallCatalogue());
  browser.SetSort({BrowserSortKey::Time, false});
  EXPECT_EQ(browser.ShownPositionOf("/archive/MVE0002.012"), 2u);
  EXPECT_EQ(browser.ShownPositionOf("/archive/./other/../MVE0002.012"), 2u);
  browser.SetFilter({.Camera = "A"});
  EXPECT_EQ(browser.ShownPositionOf("/archive/MVE0001.012"), 0u);
  EXPECT_EQ(browser.ShownPositionOf("/archive/MVE0002.012"), std::nullopt);
  EXPECT_EQ(browser.ShownPositionOf("/elsewhere/MVE0001.012"), std::nullopt);
}

// A frame named by its count, filter and camera ("101-2A"): Mariner 10 filter
// positions, or (with a colour word) a Mariner 9 filter.
CatalogueEntry Shot(int count, int filter, char camera = 'A', const char* word = nullptr) {
  HeaderRecord header{.Kind = word ? DataSet::Mariner9 : DataSet::Mariner10, .Camera = camera, .FilterNumber = filter};
  (word ? header.PictureNumber : header.FdsCount) = std::to_string(count);
  if (word) header.FilterName = word;
  std::string name = std::to_string(count);
  name += '-';
  name += std::to_string(filter);
  name += camera;
  return {.Path = name, .IsFrame = true, .Header = header};
}

std::string Names(const std::optional<ColorSet>& set) {
  return set ? (*set)[0] + ' ' + (*set)[1] + ' ' + (*set)[2] : "none";
}

// Mariner 10 positions: 2 blue 475 nm, 4 minus UV 510, 6 UV 355, 8 yellow 575; 5 clear and 3 UV
// polarizing only as a last resort; 1 the relay mirror and 7 the defocusing lens never.
TEST(FrameBrowserTest, SuggestsThreeFiltersOfOneCameraAroundTheFrameOnScreen) {
  struct Case {
    const char* Name;
    std::vector<CatalogueEntry> Entries;
    CatalogueEntry OnScreen;
    std::string Suggested;
  };
  const auto notAFrame = [](CatalogueEntry entry) {
    entry.IsFrame = false;  // a short file whose header still decodes
    return entry;
  };
  const Case cases[] = {
      {"a file that is not a frame left out",
       {Shot(100, 6), notAFrame(Shot(101, 2)), Shot(102, 8), Shot(103, 4)},
       Shot(100, 6),
       "102-8A 103-4A 100-6A"},
      {"longest wavelength red", {Shot(100, 6), Shot(101, 2), Shot(102, 8)}, Shot(101, 2), "102-8A 101-2A 100-6A"},
      {"the other camera left out",
       {Shot(100, 6), Shot(101, 2), Shot(102, 8, 'B'), Shot(103, 4)},
       Shot(101, 2),
       "103-4A 101-2A 100-6A"},
      {"ten counts away is close", {Shot(100, 6), Shot(101, 2), Shot(111, 8)}, Shot(101, 2), "111-8A 101-2A 100-6A"},
      {"eleven is not", {Shot(100, 6), Shot(101, 2), Shot(112, 8)}, Shot(101, 2), "none"},
      {"duplicate filters", {Shot(100, 6), Shot(101, 6), Shot(102, 2), Shot(103, 2)}, Shot(101, 6), "none"},
      {"mirror and lens never",
       {Shot(100, 1), Shot(101, 2), Shot(102, 7), Shot(103, 8), Shot(104, 6)},
       Shot(102, 7),
       "103-8A 101-2A 104-6A"},
      {"the nearest set around the frame on screen",
       {Shot(95, 6), Shot(96, 2), Shot(97, 8), Shot(98, 6), Shot(99, 2), Shot(100, 8), Shot(101, 6), Shot(102, 2)},
       Shot(99, 2),
       "100-8A 99-2A 98-6A"},
      {"colour filters before a nearer clear",
       {Shot(100, 5), Shot(101, 2), Shot(102, 8), Shot(105, 6)},
       Shot(101, 2),
       "102-8A 101-2A 105-6A"},
      {"clear as the last resort", {Shot(100, 5), Shot(101, 2), Shot(102, 8)}, Shot(101, 2), "102-8A 100-5A 101-2A"},
      {"Mariner 9 by colour words, Mariner 10 left out",
       {Shot(7, 1, 'A', "violet"), Shot(8, 2, 'A', "POLAROID"), Shot(9, 3, 'A', "ORANGE"), Shot(8, 4),
        Shot(10, 4, 'A', "GREEN")},
       Shot(9, 3, 'A', "ORANGE"),
       "9-3A 10-4A 7-1A"},
      {"no camera on screen", {Shot(100, 6), Shot(101, 2), Shot(102, 8)}, Shot(101, 2, '?'), "none"},
  };
  for (const Case& test : cases) {
    HeaderRecord onScreen = *test.OnScreen.Header;
    if (onScreen.Camera == '?') onScreen.Camera.reset();
    EXPECT_EQ(Names(SuggestColorSet(test.Entries, onScreen)), test.Suggested) << test.Name;
  }
  // A selection of three is put in order only when every filter is known and differs.
  const std::vector<CatalogueEntry> selection{Shot(1, 6), Shot(2, 8), Shot(3, 2), Shot(4, 7), Shot(5, 2)};
  EXPECT_EQ(Names(ColorOrder({&selection[0], &selection[1], &selection[2]})), "2-8A 3-2A 1-6A");
  EXPECT_EQ(Names(ColorOrder({&selection[0], &selection[1], &selection[3]})), "none");
  EXPECT_EQ(Names(ColorOrder({&selection[0], &selection[2], &selection[4]})), "none");
}

}  // namespace
}  // namespace vantorel
