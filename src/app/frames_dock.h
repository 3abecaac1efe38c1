// View > Frames: the files of the frame on screen's folder, or of a catalogue,
// as a grid of thumbnails under a filter bar. The filtering and the order are
// the core FrameBrowser's; thumbnails are made on every core, nearest to what
// is on screen first, and handed to this thread by queued calls, so that the
// window never waits for them. Only thumbnails near the visible part are kept
// decoded; the others come back from the thumbnail cache when scrolled to.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include <QAbstractItemView>
#include <QDockWidget>
#include <QImage>
#include <QPixmap>

#include "parallel/priority_pool.h"
#include "viewer/frame_browser.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QTimer;

namespace vantorel {

class FrameDocument;
class FramesModel;

// The thumbnails' size in the grid: the cache's normal size.
inline constexpr int BrowserIconSize = 128;

class FramesDock : public QDockWidget {
  Q_OBJECT
 public:
  // chooseCatalogue asks the user for a catalogue file (nothing when cancelled).
  FramesDock(QWidget* parent, std::function<std::optional<std::string>()> chooseCatalogue);
  ~FramesDock() override;

  // The frame on screen (empty when none): its folder is the folder source,
  // and its thumbnail is highlighted and scrolled to.
  void ShowFrame(const std::string& path);

  // Where the files come from: the folder of the frame on screen, or the catalogue file.
  bool FromCatalogue() const { return fromCatalogue_; }
  const std::string& CataloguePath() const { return cataloguePath_; }
  void SetSource(bool fromCatalogue, const std::string& cataloguePath);
  const BrowserSort& Sort() const { return browser_.Sort(); }
  void SetSort(const BrowserSort& sort);

  const FrameBrowser& Browser() const { return browser_; }
  // The selected files (Ctrl- or Shift-click picks more than one), in the order shown.
  std::vector<std::string> SelectedPaths() const;
  QListView& View() const { return *view_; }
  // Files listed and not yet given their first thumbnail (or found to have none).
  std::size_t ThumbnailsToMake() const { return toMake_; }
  bool Listing() const { return listing_; }
  // Every row in the visible part has its thumbnail, or is known to have none.
  bool VisibleThumbnailsReady() const;
  // Thumbnails decoded and held now.
  std::size_t ThumbnailsHeld() const { return icons_.size(); }

 signals:
  // Double-click or Enter on a file: its path's bytes.
  void OpenRequested(const QByteArray& path);
  // The first thumbnail of every file listed is made.
  void ThumbnailsFinished();

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  enum class IconState : std::uint8_t { Unmade, Queued, Made, NoPicture };
  struct Job {
    std::uint64_t Generation;
    std::size_t Entry;
    std::string Path;
    std::string CacheRoot;
    std::shared_ptr<const std::vector<std::uint8_t>> KeptPng;  // made before, held here: only decoded
  };

  void BuildFilterBar(QWidget& parent);
  // Lists the source again on a background thread, if the dock is on screen.
  void Reload(bool force);
  void EntriesRead(std::uint64_t generation, std::vector<CatalogueEntry> entries, const QString& problem);
  void MakeThumbnail(unsigned worker, Job&& job);
  void ThumbnailMade(std::uint64_t generation, std::size_t entry, const QImage& image, bool noPicture,
                     std::shared_ptr<const std::vector<std::uint8_t>> keptPng, const QString& message);
  void FilterChanged();
  void ChooseCatalogue();
  void Highlight(QAbstractItemView::ScrollHint scroll = QAbstractItemView::EnsureVisible);
  // Works out which rows are near the visible part, lets go of icons far from
  // it, asks again for those near it, and re-ranks the waiting work.
  void UpdateInterest();
  std::uint64_t RankOf(std::size_t entry) const;
  void Submit(std::size_t entry);
  void RefreshStatus();

  std::function<std::optional<std::string>()> chooseCatalogue_;
  FrameBrowser browser_;
  FramesModel* model_ = nullptr;
  QListView* view_ = nullptr;
  QComboBox* source_ = nullptr;
  QPushButton* chooseButton_ = nullptr;
  QLabel* status_ = nullptr;
  QComboBox* dataSet_ = nullptr;
  QComboBox* camera_ = nullptr;
  QComboBox* filter_ = nullptr;
  QLineEdit* from_ = nullptr;
  QLineEdit* to_ = nullptr;
  QLineEdit* text_ = nullptr;
  QComboBox* sortKey_ = nullptr;
  QCheckBox* descending_ = nullptr;
  QCheckBox* framesOnly_ = nullptr;
  QTimer* typing_ = nullptr;
  QTimer* scrolled_ = nullptr;

  bool fromCatalogue_ = false;
  std::string cataloguePath_;
  std::string currentPath_;
  std::optional<std::size_t> currentEntry_;  // the frame on screen among the entries
  std::string folder_;                       // of the last frame on screen
  std::pair<bool, std::string> listed_;      // from a catalogue, and the folder or catalogue listed last
  bool stale_ = true;
  bool sized_ = false;
  bool listing_ = false;
  QString problem_;
  QString cacheMessage_;
  std::uint64_t generation_ = 0;

  std::vector<IconState> states_;
  std::vector<bool> made_;  // given a first thumbnail, or found to have none
  std::unordered_map<std::size_t, QPixmap> icons_;
  // Thumbnails the cache would not take, held here (up to a budget) rather than made again.
  std::unordered_map<std::size_t, std::shared_ptr<const std::vector<std::uint8_t>>> keptPngs_;
  std::size_t keptPngBytes_ = 0;
  std::size_t toMake_ = 0;
  std::size_t interestFirst_ = 0, interestLast_ = 0;  // shown positions, both included
  std::size_t visibleFirst_ = 0, visibleLast_ = 0;

  std::vector<std::unique_ptr<FrameDocument>> documents_;  // one per worker
  std::unique_ptr<PriorityPool<Job>> pool_;
  struct Lister {
    std::jthread Thread;
    std::shared_ptr<std::atomic<bool>> Done;
  };
  std::vector<Lister> listers_;

  friend class FramesModel;
};

}  // namespace vantorel
