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

}  // namespace
}  // namespace vantorel
