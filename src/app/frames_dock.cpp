#include "app/frames_dock.h"

#include <algorithm>
#include <thread>

#include <QAbstractListModel>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimer>

#include "app/disk_path.h"
#include "catalogue/folder_entries.h"
#include "export/thumbnail.h"
#include "frames/file_name.h"
#include "viewer/frame_document.h"

namespace vantorel {

namespace {

// Rows kept decoded on each side of the visible part, in screenfuls; with a
// floor, so that a narrow dock still scrolls a little without waiting.
constexpr std::size_t InterestScreens = 2;
constexpr std::size_t InterestFloor = 64;
// What the thumbnails the cache would not take may hold in memory.
constexpr std::size_t KeptPngBudget = 48u << 20;
constexpr int TypingPauseMs = 200;
constexpr int ScrollPauseMs = 30;
// Each worker holds a frame's buffers, a few megabytes.
constexpr unsigned MostWaitingWorkers = 8;
// Below the window's own thread, so that painting and input come first.
constexpr int WorkerNiceness = 5;
// Room for "1974-03-30 20:47:13" under a thumbnail, and three lines of text.
constexpr QSize GridCell(BrowserIconSize + 44, BrowserIconSize + 62);
// Columns of thumbnails the dock first opens with.
constexpr int FirstColumns = 3;

QString Text(const std::string& text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

QPixmap Placeholder(bool noPicture) {
  QPixmap pixmap(BrowserIconSize, BrowserIconSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  const QRect square(8, 8, BrowserIconSize - 16, BrowserIconSize - 16);
  painter.setPen(QPen(QColor(150, 150, 150), 1, noPicture ? Qt::SolidLine : Qt::DashLine));
  painter.setBrush(noPicture ? QColor(225, 225, 225) : QColor(60, 60, 60));
  painter.drawRect(square);
  if (noPicture) {
    painter.drawLine(square.topLeft(), square.bottomRight());
    painter.drawLine(square.topRight(), square.bottomLeft());
  }
  return pixmap;
}

// Every cell the whole grid cell, so that the text under a thumbnail has the
// cell's width rather than the width the style measures for the first one.
class CellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override { return GridCell - QSize(4, 4); }
};

}  // namespace

// The browser's shown entries as a list model: a name, time and filter under each thumbnail.
class FramesModel : public QAbstractListModel {
 public:
  explicit FramesModel(FramesDock& dock) : QAbstractListModel(&dock), dock_(dock) {}

  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : int(dock_.browser_.Shown().size());
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || std::size_t(index.row()) >= dock_.browser_.Shown().size()) return {};
    const std::size_t entryIndex = dock_.browser_.Shown()[std::size_t(index.row())];
    const CatalogueEntry& entry = dock_.browser_.Entries()[entryIndex];
    switch (role) {
      case Qt::DisplayRole: {
        QString caption = DisplayPath(std::string(FileNamePart(entry.Path)));
        if (!entry.IsFrame) return caption + "\n" + (entry.Error ? QStringLiteral("unreadable") : "not a frame");
        return caption + "\n" + Text(TimeCaption(entry)) + "\n" + Text(FilterCaption(entry));
      }
      case Qt::DecorationRole: {
        if (const auto icon = dock_.icons_.find(entryIndex); icon != dock_.icons_.end()) return icon->second;
        return dock_.states_[entryIndex] == FramesDock::IconState::NoPicture ? noPicture_ : loading_;
      }
      case Qt::FontRole: {
        // The frame on screen stands out also when another thumbnail is selected.
        if (entryIndex != dock_.currentEntry_) return {};
        QFont bold = dock_.view_->font();
        bold.setBold(true);
        return bold;
      }
      case Qt::ToolTipRole: {
        QString tip = DisplayPath(entry.Path);
        if (entry.Error) tip += "\n" + QString::fromLocal8Bit(*entry.Error);
        const std::string notice =
            NotAFrameNotice(FileNamePart(entry.Path), FrameCheck{std::uintmax_t(entry.Bytes), {}});
        if (!entry.Error && !notice.empty()) tip += "\n" + DisplayPath(notice);
        return tip;
      }
      default: return {};
    }
  }

  void Reset(const std::function<void()>& change) {
    beginResetModel();
    change();
    endResetModel();
  }
  void Changed(std::size_t position) {
    const QModelIndex at = index(int(position));
    emit dataChanged(at, at, {Qt::DecorationRole, Qt::FontRole});
  }

 private:
  FramesDock& dock_;
  QPixmap loading_ = Placeholder(false);
  QPixmap noPicture_ = Placeholder(true);
};

FramesDock::FramesDock(QWidget* parent, std::function<std::optional<std::string>()> chooseCatalogue)
    : QDockWidget("Frames", parent), chooseCatalogue_(std::move(chooseCatalogue)) {
  setObjectName("FramesDock");
  auto* body = new QWidget;
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(4, 4, 4, 4);
  BuildFilterBar(*body);

  model_ = new FramesModel(*this);
  view_ = new QListView;
  view_->setObjectName("FramesView");
  view_->setViewMode(QListView::IconMode);
  view_->setMovement(QListView::Static);
  view_->setResizeMode(QListView::Adjust);
  view_->setUniformItemSizes(true);
  view_->setIconSize(QSize(BrowserIconSize, BrowserIconSize));
  view_->setGridSize(GridCell);
  // One line each for the name, time and filter, cut short in the middle where too long.
  view_->setWordWrap(false);
  view_->setTextElideMode(Qt::ElideMiddle);
  view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  view_->verticalScrollBar()->setSingleStep(GridCell.height() / 4);
  // Laid out a batch at a time, so that ten thousand entries do not hold the window.
  view_->setLayoutMode(QListView::Batched);
  view_->setBatchSize(256);
  view_->setItemDelegate(new CellDelegate(view_));
  view_->setModel(model_);
  layout->addWidget(view_, 1);
  setWidget(body);
  setMinimumWidth(2 * GridCell.width() + 40);

  connect(view_, &QListView::activated, this, [this](const QModelIndex& index) {
    if (!index.isValid()) return;
    const std::string& path = browser_.Entries()[browser_.Shown()[std::size_t(index.row())]].Path;
    emit OpenRequested(QByteArray::fromStdString(path));
  });
  scrolled_ = new QTimer(this);
  scrolled_->setSingleShot(true);
  scrolled_->setInterval(ScrollPauseMs);
  connect(scrolled_, &QTimer::timeout, this, &FramesDock::UpdateInterest);
  connect(view_->verticalScrollBar(), &QScrollBar::valueChanged, scrolled_, qOverload<>(&QTimer::start));
  connect(this, &QDockWidget::visibilityChanged, this, [this](bool visible) {
    if (visible && stale_) Reload(false);
    // Out of sight, no thumbnails are made; shown again, the source is read afresh.
    if (!visible && isHidden()) {
      if (pool_) pool_->Clear();
      ++generation_;
      stale_ = true;
    }
  });
}

FramesDock::~FramesDock() {
  // The workers and the lister call back into this: they go first.
  pool_.reset();
  listers_.clear();
}

void FramesDock::BuildFilterBar(QWidget& parent) {
  auto* bar = new QGridLayout;
  bar->setHorizontalSpacing(4);
  bar->setVerticalSpacing(3);
  static_cast<QVBoxLayout*>(parent.layout())->addLayout(bar);

  source_ = new QComboBox;
  source_->setObjectName("FramesSource");
  source_->addItems({"Folder of the frame on screen", "Catalogue"});
  chooseButton_ = new QPushButton("Catalogue...");
  chooseButton_->setObjectName("FramesChooseCatalogue");
  status_ = new QLabel;
  status_->setObjectName("FramesStatus");
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  status_->setWordWrap(true);
  bar->addWidget(source_, 0, 0, 1, 2);
  bar->addWidget(chooseButton_, 0, 2);
  bar->addWidget(status_, 1, 0, 1, 3);

  const auto combo = [](const char* name, const char* any) {
    auto* box = new QComboBox;
    box->setObjectName(name);
    box->addItem(any, QString());
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(8);
    return box;
  };
  dataSet_ = combo("FramesDataSet", "Any data set");
  camera_ = combo("FramesCamera", "Any camera");
  camera_->addItem("Camera A", "A");
  camera_->addItem("Camera B", "B");
  filter_ = combo("FramesFilter", "Any filter");
  bar->addWidget(dataSet_, 2, 0);
  bar->addWidget(camera_, 2, 1);
  bar->addWidget(filter_, 2, 2);

  const auto edit = [](const char* name, const char* hint, const char* tip) {
    auto* line = new QLineEdit;
    line->setObjectName(name);
    line->setPlaceholderText(hint);
    line->setToolTip(tip);
    line->setClearButtonEnabled(true);
    return line;
  };
  const char* timeTip = "1974, 1974-03, 1974-03-30, 1974-089 (day of the year), 1974-03-30T20:47";
  from_ = edit("FramesFrom", "From (1974-089)", timeTip);
  to_ = edit("FramesTo", "To", timeTip);
  text_ = edit("FramesText", "Search", "Found in the name, target, filter, FDS count or time");
  bar->addWidget(from_, 3, 0);
  bar->addWidget(to_, 3, 1);
  bar->addWidget(text_, 3, 2);

  sortKey_ = new QComboBox;
  sortKey_->setObjectName("FramesSort");
  sortKey_->addItem("Sort by name", int(BrowserSortKey::Name));
  sortKey_->addItem("Sort by time", int(BrowserSortKey::Time));
  sortKey_->addItem("Sort by FDS count", int(BrowserSortKey::FdsCount));
  descending_ = new QCheckBox("Descending");
  descending_->setObjectName("FramesDescending");
  framesOnly_ = new QCheckBox("Frames only");
  framesOnly_->setObjectName("FramesOnly");
  bar->addWidget(sortKey_, 4, 0);
  bar->addWidget(descending_, 4, 1);
  bar->addWidget(framesOnly_, 4, 2);

  typing_ = new QTimer(this);
  typing_->setSingleShot(true);
  typing_->setInterval(TypingPauseMs);
  connect(typing_, &QTimer::timeout, this, &FramesDock::FilterChanged);
  for (QLineEdit* line : {from_, to_, text_}) {
    connect(line, &QLineEdit::textEdited, typing_, qOverload<>(&QTimer::start));
    // The clear button changes the text without an edit.
    connect(line, &QLineEdit::textChanged, this, [this](const QString& text) {
      if (text.isEmpty()) typing_->start();
    });
    connect(line, &QLineEdit::returnPressed, this, &FramesDock::FilterChanged);
  }
  for (QComboBox* box : {dataSet_, camera_, filter_, sortKey_})
    connect(box, &QComboBox::activated, this, &FramesDock::FilterChanged);
  for (QCheckBox* box : {descending_, framesOnly_}) connect(box, &QCheckBox::toggled, this, &FramesDock::FilterChanged);
  connect(source_, &QComboBox::activated, this, [this](int index) {
    fromCatalogue_ = index == 1;
    if (fromCatalogue_ && cataloguePath_.empty()) return ChooseCatalogue();
    Reload(true);
  });
  connect(chooseButton_, &QPushButton::clicked, this, &FramesDock::ChooseCatalogue);
}

void FramesDock::SetSource(bool fromCatalogue, const std::string& cataloguePath) {
  fromCatalogue_ = fromCatalogue && !cataloguePath.empty();
  cataloguePath_ = cataloguePath;
  source_->setCurrentIndex(fromCatalogue_ ? 1 : 0);
  Reload(true);
}

void FramesDock::SetSort(const BrowserSort& sort) {
  sortKey_->setCurrentIndex(sortKey_->findData(int(sort.Key)));
  descending_->setChecked(sort.Descending);
  FilterChanged();
}

void FramesDock::ChooseCatalogue() {
  const std::optional<std::string> chosen = chooseCatalogue_ ? chooseCatalogue_() : std::nullopt;
  if (chosen && !chosen->empty()) {
    cataloguePath_ = *chosen;
    fromCatalogue_ = true;
  }
  source_->setCurrentIndex(fromCatalogue_ ? 1 : 0);
  Reload(true);
}

void FramesDock::ShowFrame(const std::string& path) {
  currentPath_ = path;
  // A closed frame leaves its folder shown.
  if (!path.empty()) folder_ = DirectoryPart(path);
  if (!fromCatalogue_ && folder_ != listed_.second) return Reload(false);
  Highlight();
}

void FramesDock::showEvent(QShowEvent* event) {
  QDockWidget::showEvent(event);
  if (!sized_) {
    sized_ = true;
    // Once the window is laid out: a dock shown with the window at start is sized too.
    QTimer::singleShot(0, this, [this] {
      if (auto* window = qobject_cast<QMainWindow*>(parentWidget()); window && !isFloating())
        window->resizeDocks({this}, {FirstColumns * GridCell.width() + 40}, Qt::Horizontal);
    });
  }
  if (stale_) Reload(false);
}

void FramesDock::resizeEvent(QResizeEvent* event) {
  QDockWidget::resizeEvent(event);
  scrolled_->start();
}

void FramesDock::Reload(bool force) {
  const std::pair<bool, std::string> source{fromCatalogue_, fromCatalogue_ ? cataloguePath_ : folder_};
  if (!force && source == listed_ && !stale_) return Highlight();
  if (!isVisible()) {
    stale_ = true;  // listed when it is next shown
    return;
  }
  stale_ = false;
  listed_ = source;
  ++generation_;
  if (pool_) pool_->Clear();
  // A lister still reading an earlier source is told to stop, and not waited for.
  for (Lister& lister : listers_) lister.Thread.request_stop();
  std::erase_if(listers_, [](const Lister& lister) { return lister.Done->load(); });
  if (source.second.empty()) {
    EntriesRead(generation_, {},
                fromCatalogue_ ? QStringLiteral("Choose a catalogue file (vantorel-render --catalog makes one).")
                               : QStringLiteral("Open a frame to see the frames of its folder."));
    return;
  }
  listing_ = true;
  problem_.clear();
  RefreshStatus();
  auto done = std::make_shared<std::atomic<bool>>(false);
  std::jthread thread(
      [this, generation = generation_, source = source.second, catalogue = fromCatalogue_, done](std::stop_token stop) {
        std::vector<CatalogueEntry> entries;
        QString problem;
        if (catalogue) {
          try {
            Catalogue opened(source, Catalogue::Access::Read);
            entries = SelectEntries(opened, CatalogueSelection{.All = true});
          } catch (const std::exception& error) {
            problem = QString::fromLocal8Bit(error.what());
          }
        } else {
          std::string error;
          entries = ReadFolderEntries(source, error, [&stop] { return stop.stop_requested(); });
          if (!error.empty()) problem = QString("%1: %2").arg(DisplayPath(source), QString::fromLocal8Bit(error));
        }
        if (!stop.stop_requested())
          QMetaObject::invokeMethod(
              this,
              [this, generation, entries = std::move(entries), problem]() mutable {
                EntriesRead(generation, std::move(entries), problem);
              },
              Qt::QueuedConnection);
        done->store(true);
      });
  listers_.push_back({std::move(thread), std::move(done)});
}

void FramesDock::EntriesRead(std::uint64_t generation, std::vector<CatalogueEntry> entries, const QString& problem) {
  if (generation != generation_) return;
  listing_ = false;
  problem_ = problem;
  model_->Reset([&] {
    browser_.SetEntries(std::move(entries));
    currentEntry_.reset();
    states_.assign(browser_.Entries().size(), IconState::Unmade);
    made_.assign(browser_.Entries().size(), false);
    icons_.clear();
    keptPngs_.clear();
    keptPngBytes_ = 0;
    toMake_ = browser_.Entries().size();
  });
  // The choices of this source, keeping a choice made before where it still applies.
  const BrowserChoices choices = browser_.Choices();
  const auto refill = [](QComboBox& box, const std::vector<std::string>& values) {
    const QString kept = box.currentData().toString();
    while (box.count() > 1) box.removeItem(1);
    for (const std::string& value : values) box.addItem(Text(value), Text(value));
    box.setCurrentIndex(std::max(0, box.findData(kept)));
  };
  refill(*dataSet_, choices.DataSets);
  refill(*filter_, choices.Filters);
  FilterChanged();

  if (!browser_.Entries().empty() && !pool_) {
    // A worker a core, and as many again (up to a few) to take a core while another waits for the disk.
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const unsigned workers = cores + std::min(cores, MostWaitingWorkers);
    for (unsigned w = 0; w < workers; ++w) documents_.push_back(std::make_unique<FrameDocument>());
    pool_ = std::make_unique<PriorityPool<Job>>(
        workers, [this](unsigned worker, Job&& job) { MakeThumbnail(worker, std::move(job)); }, WorkerNiceness);
  }
  Highlight(QAbstractItemView::PositionAtCenter);
  UpdateInterest();
  std::vector<std::pair<std::uint64_t, Job>> jobs;
  jobs.reserve(states_.size());
  const std::string cacheRoot = ThumbnailCacheRoot();
  for (std::size_t entry = 0; entry < states_.size(); ++entry) {
    if (states_[entry] == IconState::Queued) continue;
    states_[entry] = IconState::Queued;
    jobs.emplace_back(RankOf(entry), Job{generation_, entry, browser_.Entries()[entry].Path, cacheRoot, nullptr});
  }
  if (pool_) pool_->Submit(std::move(jobs));
  RefreshStatus();
  if (toMake_ == 0) emit ThumbnailsFinished();
}

void FramesDock::Submit(std::size_t entry) {
  if (states_[entry] == IconState::Queued || !pool_) return;
  std::shared_ptr<const std::vector<std::uint8_t>> kept;
  if (const auto found = keptPngs_.find(entry); found != keptPngs_.end()) kept = found->second;
  states_[entry] = IconState::Queued;
  pool_->Submit(Job{generation_, entry, browser_.Entries()[entry].Path, ThumbnailCacheRoot(), std::move(kept)},
                RankOf(entry));
}

void FramesDock::MakeThumbnail(unsigned worker, Job&& job) {
  QImage image;
  bool noPicture = false;
  std::shared_ptr<const std::vector<std::uint8_t>> keep;
  QString message;
  if (job.KeptPng) {
    image = QImage::fromData(job.KeptPng->data(), int(job.KeptPng->size()), "PNG");
  } else {
    CachedThumbnail made = ThumbnailFor(*documents_[worker], job.Path, NormalThumbnailSize, job.CacheRoot);
    const std::vector<std::uint8_t>& png = made.Picture.Png;
    noPicture = png.empty();
    if (!noPicture) image = QImage::fromData(png.data(), int(png.size()), "PNG");
    if (!made.Message.empty()) {
      message = QString::fromLocal8Bit(made.Message);
      if (!noPicture) keep = std::make_shared<const std::vector<std::uint8_t>>(std::move(made.Picture.Png));
    }
  }
  noPicture = noPicture || image.isNull();
  // Handed over as a converted image: this thread, not the window's, does the work.
  if (!noPicture) image = image.convertToFormat(QImage::Format_RGB32);
  QMetaObject::invokeMethod(
      this,
      [this, generation = job.Generation, entry = job.Entry, image = std::move(image), noPicture, keep, message] {
        ThumbnailMade(generation, entry, image, noPicture, keep, message);
      },
      Qt::QueuedConnection);
}

void FramesDock::ThumbnailMade(std::uint64_t generation, std::size_t entry, const QImage& image, bool noPicture,
                               std::shared_ptr<const std::vector<std::uint8_t>> keptPng, const QString& message) {
  if (generation != generation_ || entry >= states_.size()) return;
  states_[entry] = noPicture ? IconState::NoPicture : IconState::Made;
  if (keptPng && keptPngBytes_ + keptPng->size() <= KeptPngBudget && !keptPngs_.contains(entry)) {
    keptPngBytes_ += keptPng->size();
    keptPngs_.emplace(entry, std::move(keptPng));
  }
  if (!message.isEmpty() && cacheMessage_.isEmpty()) cacheMessage_ = message;
  const std::size_t position = browser_.ShownPositions()[entry];
  if (!noPicture && position != FrameBrowser::NotShown && position >= interestFirst_ && position <= interestLast_)
    icons_[entry] = QPixmap::fromImage(image);
  if (position != FrameBrowser::NotShown) model_->Changed(position);
  if (!made_[entry]) {
    // Counted once: a thumbnail asked for again on return is no new one.
    made_[entry] = true;
    --toMake_;
    if (toMake_ % 64 == 0) RefreshStatus();
    if (toMake_ == 0) emit ThumbnailsFinished();
  }
}

bool FramesDock::VisibleThumbnailsReady() const {
  if (listing_) return false;
  for (std::size_t position = visibleFirst_; position <= visibleLast_ && position < browser_.Shown().size();
       ++position) {
    const std::size_t entry = browser_.Shown()[position];
    if (states_[entry] != IconState::NoPicture && !icons_.contains(entry)) return false;
  }
  return true;
}

std::uint64_t FramesDock::RankOf(std::size_t entry) const {
  const std::size_t position = browser_.ShownPositions()[entry];
  // Filtered out: last, in the order of the listing.
  if (position == FrameBrowser::NotShown) return (std::uint64_t(1) << 40) + entry;
  if (position >= visibleFirst_ && position <= visibleLast_) return position - visibleFirst_;
  const std::size_t distance = position < visibleFirst_ ? visibleFirst_ - position : position - visibleLast_;
  return std::uint64_t(visibleLast_ - visibleFirst_ + 1) + distance;
}

void FramesDock::UpdateInterest() {
  const std::size_t shown = browser_.Shown().size();
  if (shown == 0) {
    icons_.clear();
    return;
  }
  const QSize viewport = view_->viewport()->size();
  const std::size_t columns = std::size_t(std::max(1, viewport.width() / GridCell.width()));
  const std::size_t rows = std::size_t(std::max(1, viewport.height() / GridCell.height() + 2));
  const QModelIndex top = view_->indexAt(QPoint(GridCell.width() / 2, GridCell.height() / 4));
  visibleFirst_ = top.isValid() ? std::size_t(top.row()) : 0;
  visibleFirst_ -= visibleFirst_ % columns;
  visibleLast_ = std::min(shown - 1, visibleFirst_ + columns * rows - 1);
  const std::size_t margin = std::max(InterestFloor, InterestScreens * columns * rows);
  interestFirst_ = visibleFirst_ > margin ? visibleFirst_ - margin : 0;
  interestLast_ = std::min(shown - 1, visibleLast_ + margin);

  for (auto icon = icons_.begin(); icon != icons_.end();) {
    const std::size_t position = browser_.ShownPositions()[icon->first];
    if (position == FrameBrowser::NotShown || position < interestFirst_ || position > interestLast_)
      icon = icons_.erase(icon);
    else
      ++icon;
  }
  for (std::size_t position = interestFirst_; position <= interestLast_; ++position) {
    const std::size_t entry = browser_.Shown()[position];
    if (states_[entry] == IconState::Made && !icons_.contains(entry)) Submit(entry);
  }
  if (pool_) pool_->Rerank([this](const Job& job) { return RankOf(job.Entry); });
}

void FramesDock::FilterChanged() {
  typing_->stop();
  BrowserFilter filter;
  filter.DataSet = dataSet_->currentData().toString().toStdString();
  filter.Camera = camera_->currentData().toString().toStdString();
  filter.Filter = filter_->currentData().toString().toStdString();
  // A time that does not read as one is marked and asks for nothing.
  for (auto [line, end] : {std::pair{from_, &filter.From}, std::pair{to_, &filter.To}}) {
    const QString typed = line->text().trimmed();
    const std::optional<std::string> time = SelectionTime(typed.toStdString());
    line->setStyleSheet(typed.isEmpty() || time ? QString() : QStringLiteral("color: #b00000"));
    if (time) *end = *time;
  }
  filter.Text = text_->text().trimmed().toStdString();
  filter.FramesOnly = framesOnly_->isChecked();
  const BrowserSort sort{BrowserSortKey(sortKey_->currentData().toInt()), descending_->isChecked()};
  if (filter != browser_.Filter() || sort != browser_.Sort()) {
    model_->Reset([&] {
      browser_.SetFilter(filter);
      browser_.SetSort(sort);
    });
    view_->scrollToTop();
  }
  UpdateInterest();
  Highlight();
  RefreshStatus();
}

void FramesDock::Highlight(QAbstractItemView::ScrollHint scroll) {
  const std::optional<std::size_t> before = currentEntry_;
  currentEntry_ = currentPath_.empty() ? std::nullopt : browser_.EntryOf(currentPath_);
  for (const std::optional<std::size_t>& entry : {before, currentEntry_})
    if (entry && *entry < browser_.Entries().size() && browser_.ShownPositions()[*entry] != FrameBrowser::NotShown)
      model_->Changed(browser_.ShownPositions()[*entry]);
  const std::optional<std::size_t> position =
      currentPath_.empty() ? std::nullopt : browser_.ShownPositionOf(currentPath_);
  if (!position) {
    view_->clearSelection();
    return;
  }
  const QModelIndex index = model_->index(int(*position));
  // A selection of several frames (for an animation) outlives the frame on screen changing.
  if (view_->selectionModel()->selectedIndexes().size() > 1)
    view_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
  else
    view_->setCurrentIndex(index);
  view_->scrollTo(index, scroll);
}

std::vector<std::string> FramesDock::SelectedPaths() const {
  QModelIndexList selected = view_->selectionModel()->selectedIndexes();
  std::sort(selected.begin(), selected.end(),
            [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  std::vector<std::string> paths;
  for (const QModelIndex& index : selected)
    if (const auto row = std::size_t(index.row()); row < browser_.Shown().size())
      paths.push_back(browser_.Entries()[browser_.Shown()[row]].Path);
  return paths;
}

void FramesDock::RefreshStatus() {
  if (listing_) {
    status_->setText(QString("Reading %1...").arg(DisplayPath(listed_.second)));
    return;
  }
  if (!problem_.isEmpty()) {
    status_->setText(problem_);
    return;
  }
  QString text = QString("%1 of %2 files").arg(browser_.Shown().size()).arg(browser_.Entries().size());
  if (toMake_ > 0) text += QString(", %1 thumbnails to make").arg(toMake_);
  if (!cacheMessage_.isEmpty()) text += "; thumbnails kept in memory: " + cacheMessage_;
  status_->setText(text);
  status_->setToolTip(DisplayPath(listed_.second));
  chooseButton_->setEnabled(true);
}

}  // namespace vantorel
