// The main window: the command table's menus and tool bar, the frame views
// and the scan timer, wired to the Viewer. Every handler calls one Viewer
// command and then mirrors the Viewer's state onto the widgets.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QMainWindow>
#include <QPointer>
#include <QPrinter>

#include "app/command_table.h"
#include "app/frame_views.h"
#include "app/mdi_child.h"
#include "app/printing.h"
#include "app/remembered_settings.h"
#include "output/atomic_file.h"
#include "viewer/viewer.h"

class QActionGroup;
class QFileDialog;
class QMdiArea;
class QProgressDialog;
class QTimer;
class TAboutBox;
class TInfoBox;
class TInfoBox2;
class THeaderBytesBox;
class TShortcutsBox;
class TUserGuideBox;

namespace vantorel {
class AnimationExportDialog;
class CompositeViews;
class Dialogs;
class FramesDock;
class RecentMenu;
}  // namespace vantorel

class TMainForm : public QMainWindow {
  Q_OBJECT
 public:
  explicit TMainForm(vantorel::Dialogs& dialogs, QWidget* parent = nullptr);
  ~TMainForm() override;

  const vantorel::Viewer& Viewer() const { return viewer_; }
  // The open image window, or null when no frame is on screen.
  TChild* ImageWindow() const { return imageWindow_; }
  QPrinter& Printer() { return printer_; }
  QFileDialog& SaveDialog() const { return *savePictureDialog_; }
  TAboutBox& AboutBox() const { return *aboutBox_; }
  TInfoBox& InfoBox() const { return *infoBox_; }
  TInfoBox2& InfoBox2() const { return *infoBox2_; }
  THeaderBytesBox& HeaderBytesBox() const { return *headerBytesBox_; }
  vantorel::HistogramDock& Histogram() const { return frameViews_->Histogram(); }
  vantorel::FramesDock& Frames() const { return *framesDock_; }
  vantorel::MeasureViews& Measure() const { return frameViews_->Measure(); }
  // True while B or the Blink button holds the original picture on screen.
  bool Blinking() const { return frameViews_->Blinking(); }
  vantorel::CompositeViews& Composite() const { return *compositeViews_; }

  // Test seam: a chunk writer that fails midway.
  void SetChunkWriter(vantorel::ChunkWriter writer) { chunkWriter_ = std::move(writer); }

  // Opens a frame file as Open does, or a folder's first frame, in place of
  // any frame on screen: the command line's and a drop's way in.
  void OpenPath(const std::string& path);

 public slots:
  // File menu and its buttons.
  void Open1Click();
  void FileForBtnClick();
  void FileTylBtnClick();
  void First1Click();
  void Last1Click();
  void GoToFrame1Click();
  void SaveAs1Click();
  void ExportAnimation1Click();
  void FileForAutoBtnClick();
  void FileTylAutBtnClick();
  void FileStopBtnClick();
  void Print1Click();
  void PrintSetup1Click();
  void Exit1Click();
  // Options menu.
  void Atostretch1Click();
  void Despeckleon1Click();
  void Reconstruct1Click();
  void FlipVertically1Click();
  void Rotate1Click();
  void Sharpen1Click();
  void Invert1Click();
  void Minimize1Click();
  void Colour1Click();
  void KeepAdjustments1Click();
  // View, Scan-pause, About and Help menus.
  void Toolbar1Click();
  void FullScreen1Click();
  void ZoomIn1Click();
  void ZoomOut1Click();
  void ActualSize1Click();
  void FitToWindow1Click();
  void MarkSpecialPixels1Click();
  void Copy1Click();
  void RectangleRegion1Click();
  void EllipseRegion1Click();
  void ProfileLine1Click();
  void ClearMeasurements1Click();
  void N2seconds1Click();
  void N3seconds1Click();
  void N4seconds1Click();
  void N5seconds1Click();
  void Play1Click();
  void PlayTimerTick();
  void CompareWith1Click();
  void BlinkComparison1Click();
  void SideBySide1Click();
  void DifferenceView1Click();
  void UndoNudges1Click();
  void EndComparison1Click();
  void ColourComposite1Click();
  void SaveComposite1Click();
  void CloseComposite1Click();
  void About1Click();
  void HelpAboutBtnClick();
  void KeyboardShortcuts1Click();
  void UserGuide1Click();
  // Option, step and info buttons.
  void ToolButton9Click();
  void ToolButton10Click();
  void ToolButton2Click();
  void ToolButton11Click();
  void ToolButton12Click();
  void ToolButton13Click();
  void ToolButton18Click();
  void ToolButton27Click();
  void ToolButton28Click();
  void ToolButton20Click();
  void ToolButton21Click();
  void ToolButton22Click();
  void ToolButton23Click();
  void ToolButton19Click();
  void ToolButton32Click();
  void ToolButton30Click();
  void ToolButton29Click();
  void Timer1Timer();
  // Image Info's "Header Bytes..." button.
  void HeaderBytesClick();

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  // Full Screen's check mark follows the window also when the window manager changes it.
  void changeEvent(QEvent* event) override;
  // The docks on screen are remembered before closing hides them.
  void closeEvent(QCloseEvent* event) override;

 private slots:
  void ImageWindowClosed();

 private:
  using Needs = vantorel::Needs;

  // Runs one command; an exception that escapes the Viewer is shown to the
  // user, and the widgets follow the Viewer's state either way.
  template <typename Command>
  void RunCommand(const QString& commandName, Command&& command);
  // True while the image window of an Open is on screen.
  bool FrameShown() const { return frameViews_->FrameShown(); }
  // The command table's guard: a command that needs a frame (or none) runs
  // only in that state, whatever delivered the click.
  void RunIfAllowed(vantorel::CommandHandler handler, Needs needs);
  // Points the Open dialog at the current frame, its name selected so that
  // typing replaces it; with none, at the folder last opened from.
  void PrepareOpenDialog();
  // Suggests the frame's name with the entry last chosen, in the folder last
  // saved to or else the frame's.
  void PrepareSaveDialog();
  // The Save As entry chosen: its suffix for a bare name, and the suggested
  // name's extension follows it.
  void SaveEntryChosen(const QString& filter);
  // The display scale and colour map: only the display steps run again.
  void ApplyDisplay(const vantorel::DisplaySettings& display);
  // View > Colour Map, one item a map, the one in use checked.
  void FillColorMapMenu();
  // Takes over what the store remembers, and writes it back.
  void RestoreSettings();
  void RememberSettings();

  // Mirrors the Viewer onto the commands, the counter box, the timer and the
  // status fields.
  void RefreshCommandStates();
  // Puts the picture of a load into the image window and refreshes what a
  // load changes: caption, Info boxes, status bar.
  void ShowLoadedFrame(vantorel::Picture picture);
  void ShowRender(vantorel::Picture picture);
  // The load of Open: a new image window with the frame at path.
  void OpenFrameFile(const std::string& path);
  void Browse(const QString& commandName, std::optional<vantorel::Picture> (vantorel::Viewer::*command)());
  void ToggleFlag(vantorel::Option option);
  void ToggleActive(vantorel::Option option);
  void Step(vantorel::StepCommand command);
  void ChoosePause(int seconds);
  // One measuring tool at most is chosen; none leaves drags to pan.
  void ChooseMeasureTool(vantorel::MeasureTool tool, const char* item);
  void SavePictureAs(const QString& fileName);
  // What Export Animation and Play take: the Frames dock's selection of two
  // or more, else every frame of the folder listing.
  std::vector<std::string> SequenceFrames() const;
  // Compare With's second frame: the one other frame selected in the Frames
  // dock, else one chosen in a file dialog; nothing when cancelled.
  std::optional<std::string> ChooseSecondFrame();
  // The comparison's mode, starting one when none is on; the items' checks follow.
  void ChooseCompareMode(vantorel::CompareMode mode);
  // The mode and the menu items' checks, nothing started.
  void ShowCompareMode(vantorel::CompareMode mode);
  // View > Blink Every, one item an interval, the one in use checked.
  void FillBlinkIntervalMenu();
  // The frames dock's Catalogue...: the file chosen, nothing when cancelled.
  std::optional<std::string> ChooseCatalogue();

  vantorel::Dialogs& dialogs_;
  vantorel::Viewer viewer_;
  vantorel::ChunkWriter chunkWriter_;
  vantorel::RememberedSettings remembered_;
  QPrinter printer_{QPrinter::HighResolution};

  QMdiArea* mdiArea_ = nullptr;
  QPointer<TChild> imageWindow_;
  // Declared after imageWindow_, which the frame views look at, so that they go first.
  std::unique_ptr<vantorel::FrameViews> frameViews_;
  // After the frame views, which it shows its picture through.
  std::unique_ptr<vantorel::CompositeViews> compositeViews_;
  std::unique_ptr<vantorel::CommandWidgets> commands_;
  QTimer* timer1_ = nullptr;
  QTimer* playTimer_ = nullptr;
  vantorel::AnimationExportDialog* animationDialog_ = nullptr;
  QFileDialog* animationFileDialog_ = nullptr;
  QProgressDialog* animationProgress_ = nullptr;  // made at the first export
  QFileDialog* wyborZbioru_ = nullptr;
  QFileDialog* savePictureDialog_ = nullptr;
  QFileDialog* catalogueDialog_ = nullptr;
  QFileDialog* compareDialog_ = nullptr;  // made at the first Compare With
  vantorel::FramesDock* framesDock_ = nullptr;
  TAboutBox* aboutBox_ = nullptr;
  TInfoBox* infoBox_ = nullptr;
  TInfoBox2* infoBox2_ = nullptr;
  THeaderBytesBox* headerBytesBox_ = nullptr;
  vantorel::RecentMenu* recentMenu_ = nullptr;
  QActionGroup* colorMaps_ = nullptr;
  // Made when first asked for.
  TShortcutsBox* shortcutsBox_ = nullptr;
  TUserGuideBox* userGuideBox_ = nullptr;
};
