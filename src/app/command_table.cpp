#include "app/command_table.h"

#include <string_view>

#include <QAction>
#include <QFrame>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/icon_resources.h"
#include "app/main_unit.h"
#include "viewer/viewer.h"

namespace vantorel {
namespace {

constexpr QSize GlyphSize(16, 16);

constexpr CommandEntry Menu(const char* name, const char* title) { return {EntryKind::Menu, name, title}; }
constexpr CommandEntry Item(const char* name, const char* caption, CommandHandler run, Needs needs) {
  return {EntryKind::MenuItem, name, caption, run, needs};
}
constexpr CommandEntry Submenu(const char* name, const char* title) { return {EntryKind::Submenu, name, title}; }
constexpr CommandEntry Separator(const char* name) { return {EntryKind::Separator, name}; }
constexpr CommandEntry Row() { return {EntryKind::ToolBarRow, ""}; }
constexpr CommandEntry Button(const char* name, const char* hint, CommandHandler run, Needs needs) {
  return {EntryKind::ToolButton, name, hint, run, needs};
}
constexpr CommandEntry HoldButton(const char* name, const char* hint, Needs needs) {
  return {EntryKind::HoldButton, name, hint, nullptr, needs};
}
constexpr CommandEntry Gap(const char* name) { return {EntryKind::Gap, name}; }
constexpr CommandEntry RowEnd() { return {EntryKind::RowEnd, ""}; }
constexpr CommandEntry DockToggle(const char* name, const char* caption) {
  return {EntryKind::DockToggle, name, caption};
}
constexpr CommandEntry CounterBox(const char* name) { return {EntryKind::CounterBox, name}; }

constexpr Needs Always = Needs::Always, NoFrame = Needs::NoFrame, Frame = Needs::Frame;
constexpr Needs Comparing = Needs::Comparison;
using F = TMainForm;

// The menu bar's menus, then the tool bar's rows, each in order.
constexpr CommandEntry Table[] = {
    Menu("File1", "&File"),
    // A disabled item's keys do nothing, so every key obeys its command's state.
    Item("Open1", "&Open...", &F::Open1Click, NoFrame).WithKeys(QKeySequence::Open, Qt::CTRL | Qt::Key_O),
    // Also while a frame is on screen: a recent frame takes its place, as a drop does.
    Submenu("OpenRecent1", "Open &Recent"),
    Item("Next1", "&Next ", &F::FileForBtnClick, Frame).WithKeys(Qt::Key_PageDown),
    Item("Previous1", "Pr&evious", &F::FileTylBtnClick, Frame).WithKeys(Qt::Key_PageUp),
    Item("First1", "&First", &F::First1Click, Frame).WithKeys(Qt::Key_Home),
    Item("Last1", "&Last", &F::Last1Click, Frame).WithKeys(Qt::Key_End),
    Item("GoToFrame1", "&Go to Frame...", &F::GoToFrame1Click, Frame).WithKeys(Qt::CTRL | Qt::Key_G),
    Item("SaveAs1", "Save &As...", &F::SaveAs1Click, Frame)
        .WithKeys(QKeySequence::SaveAs, Qt::CTRL | Qt::SHIFT | Qt::Key_S),
    Item("ExportAnimation1", "Export Ani&mation...", &F::ExportAnimation1Click, Frame),
    Separator("N2"),
    Item("ScanForward1", "Scan Forward", &F::FileForAutoBtnClick, Frame).WithKeys(Qt::CTRL | Qt::Key_PageDown),
    Item("ScanBackward1", "Scan Backward", &F::FileTylAutBtnClick, Frame).WithKeys(Qt::CTRL | Qt::Key_PageUp),
    // Esc stops Play as well.
    Item("ScanStop1", "Scan Stop", &F::FileStopBtnClick, Frame).WithKeys(Qt::Key_Escape),
    Separator("N3"),
    Item("Print1", "&Print...", &F::Print1Click, Frame).WithKeys(QKeySequence::Print, Qt::CTRL | Qt::Key_P),
    Item("PrintSetup1", "P&rint Setup...", &F::PrintSetup1Click, Frame).WithGlyph(),
    Separator("N1"),
    Item("Exit1", "E&xit", &F::Exit1Click, Always).WithGlyph().WithKeys(QKeySequence::Quit, Qt::CTRL | Qt::Key_Q),

    Menu("Options1", "&Options"),
    Item("Atostretch1", "Contrast &Stretch", &F::Atostretch1Click, Always)
        .Checkable(Shows::OptionFlag, Option::Stretch),
    Item("Despeckleon1", "&Despeckle ", &F::Despeckleon1Click, Always).Checkable(Shows::OptionFlag, Option::Despeckle),
    Item("Reconstruct1", "&Reconstruction", &F::Reconstruct1Click, Always)
        .Checkable(Shows::OptionFlag, Option::Reconstruct),
    Item("FlipVertically1", "&Flip Vertically", &F::FlipVertically1Click, Always)
        .Checkable(Shows::OptionFlag, Option::Flip),
    Item("Rotate1", "R&otate", &F::Rotate1Click, Always).Checkable(Shows::OptionFlag, Option::Rotate),
    Item("Sharpen1", "S&harpen", &F::Sharpen1Click, Always).Checkable(Shows::OptionFlag, Option::Sharpen),
    Item("Invert1", "&Invert", &F::Invert1Click, Always).Checkable(Shows::OptionFlag, Option::Invert),
    Item("Minimize1", "&Minimize", &F::Minimize1Click, Always).Checkable(Shows::OptionFlag, Option::Minimize),
    Item("Colour1", "&Colorize", &F::Colour1Click, Always).Checkable(Shows::OptionFlag, Option::Colorize),
    Separator("N6"),
    Item("KeepAdjustments1", "&Keep Adjustments While Browsing", &F::KeepAdjustments1Click, Always)
        .Checkable(Shows::KeepAdjustments),

    Menu("View1", "View"),
    Item("Toolbar1", "Toolbar", &F::Toolbar1Click, Always).Checkable(Shows::ToolBar).WithGlyph(),
    Item("FullScreen1", "F&ull Screen", &F::FullScreen1Click, Always)
        .Checkable(Shows::FullScreen)
        .WithKeys(QKeySequence::FullScreen, Qt::Key_F11),
    Separator("N4"),
    Item("ZoomIn1", "Zoom &In", &F::ZoomIn1Click, Frame).WithKeys(Qt::CTRL | Qt::Key_Plus, Qt::CTRL | Qt::Key_Equal),
    Item("ZoomOut1", "Zoom &Out", &F::ZoomOut1Click, Frame).WithKeys(Qt::CTRL | Qt::Key_Minus),
    Item("ActualSize1", "&Actual Size", &F::ActualSize1Click, Frame).WithKeys(Qt::CTRL | Qt::Key_0),
    Item("FitToWindow1", "&Fit to Window", &F::FitToWindow1Click, Frame).WithKeys(Qt::CTRL | Qt::Key_F),
    Separator("N5"),
    DockToggle("Histogram1", "&Histogram").WithKeys(Qt::CTRL | Qt::Key_H),
    // F9, as file managers show and hide their side pane.
    DockToggle("Frames1", "F&rames").WithKeys(Qt::Key_F9),
    Submenu("ColorMap1", "Colour &Map"),
    DockToggle("Statistics1", "S&tatistics"),
    DockToggle("LineProfile1", "&Line Profile"),
    DockToggle("PixelTable1", "&Pixel Table"),
    Item("MarkSpecialPixels1", "Mark &Special Pixels", &F::MarkSpecialPixels1Click, Always)
        .Checkable(Shows::OwnState)
        .WithKeys(Qt::CTRL | Qt::Key_M),
    // What a drag on the picture draws; Shift+drag draws a region without one.
    Separator("N7"),
    Item("RectangleRegion1", "&Rectangle Region", &F::RectangleRegion1Click, Always).Checkable(Shows::OwnState),
    Item("EllipseRegion1", "&Ellipse Region", &F::EllipseRegion1Click, Always).Checkable(Shows::OwnState),
    Item("ProfileLine1", "Profile Li&ne", &F::ProfileLine1Click, Always).Checkable(Shows::OwnState),
    Item("ClearMeasurements1", "Clear &Measurements", &F::ClearMeasurements1Click, Always),
    Separator("N6"),
    Item("Copy1", "&Copy", &F::Copy1Click, Frame).WithKeys(QKeySequence::Copy, Qt::CTRL | Qt::Key_C),
    Separator("N8"),
    // The Frames dock's selection, or the folder, at Export Animation's rate; again to stop.
    Item("Play1", "&Play", &F::Play1Click, Frame).Checkable(Shows::Playing).WithKeys(Qt::Key_P),
    Separator("N9"),
    // A second frame over the first; the modes start one when none is on.
    Item("CompareWith1", "Compare &With...", &F::CompareWith1Click, Frame).WithKeys(Qt::CTRL | Qt::Key_K),
    Item("BlinkComparison1", "Blin&k Comparison", &F::BlinkComparison1Click, Frame).Checkable(Shows::OwnState),
    Item("SideBySide1", "Side &by Side", &F::SideBySide1Click, Frame).Checkable(Shows::OwnState),
    Item("DifferenceView1", "&Difference", &F::DifferenceView1Click, Frame).Checkable(Shows::OwnState),
    Submenu("BlinkInterval1", "Blink E&very"),
    Item("UndoNudges1", "Undo Nud&ges", &F::UndoNudges1Click, Comparing),
    Item("EndComparison1", "End Comparison", &F::EndComparison1Click, Comparing),
    // The composite takes the processed picture's place until closed or another frame is opened.
    Separator("N10"),
    Item("ColourComposite1", "Colour C&omposite...", &F::ColourComposite1Click, Frame)
        .WithKeys(Qt::CTRL | Qt::SHIFT | Qt::Key_K),
    Item("SaveComposite1", "Sa&ve Composite As...", &F::SaveComposite1Click, Frame),
    Item("CloseComposite1", "Close Composite", &F::CloseComposite1Click, Frame),

    Menu("Scanpause1", "Scan-pause"),
    Item("N2seconds1", "2 seconds", &F::N2seconds1Click, Always).Checkable(Shows::ScanPause, 2),
    Item("N3seconds1", "3 seconds", &F::N3seconds1Click, Always).Checkable(Shows::ScanPause, 3),
    Item("N4seconds1", "4 seconds", &F::N4seconds1Click, Always).Checkable(Shows::ScanPause, 4),
    Item("N5seconds1", "5 seconds", &F::N5seconds1Click, Always).Checkable(Shows::ScanPause, 5),

    Menu("About2", "&About"),
    Item("About1", "&About...", &F::About1Click, Always),

    Menu("Help1", "&Help"),
    Item("KeyboardShortcuts1", "&Keyboard Shortcuts...", &F::KeyboardShortcuts1Click, Always),
    Item("UserGuide1", "&User Guide", &F::UserGuide1Click, Always).WithKeys(QKeySequence::HelpContents, Qt::Key_F1),

    // Option buttons by their Options-menu letters where free (T turns, O is the
    // original); the step buttons by digits in their order on the row.
    Row(),
    Button("FileOpenBtn", "Open", &F::Open1Click, NoFrame),
    Button("FileSaveBtn", "Save as ", &F::SaveAs1Click, Frame),
    Button("ToolButton17", "Print", &F::Print1Click, Frame),
    Gap("ToolButton8"),
    Button("FileTylAutBtn", "Scan Backword", &F::FileTylAutBtnClick, Frame).Checkable(Shows::BackwardScan),
    Button("FileTylBtn", "Previous", &F::FileTylBtnClick, Frame),
    Button("FileStopBtn", "Scan Stop", &F::FileStopBtnClick, Frame),
    Button("FileForBtn", "Next", &F::FileForBtnClick, Frame),
    Button("FileForAutoBtn", "Scan Forword", &F::FileForAutoBtnClick, Frame).Checkable(Shows::ForwardScan),
    Gap("ToolButton3"),
    Button("ToolButton9", "Original Image", &F::ToolButton9Click, Frame).WithKeys(Qt::Key_O),
    Button("ToolButton10", "Flip Vertically", &F::ToolButton10Click, Frame)
        .WithKeys(Qt::Key_F)
        .Checkable(Shows::OptionButton, Option::Flip),
    Button("ToolButton2", "Rotate", &F::ToolButton2Click, Frame)
        .WithKeys(Qt::Key_T)
        .Checkable(Shows::OptionButton, Option::Rotate),
    Button("ToolButton11", "Reconstruction", &F::ToolButton11Click, Frame)
        .WithKeys(Qt::Key_R)
        .Checkable(Shows::OptionButton, Option::Reconstruct),
    Button("ToolButton12", "Despeckle", &F::ToolButton12Click, Frame)
        .WithKeys(Qt::Key_D)
        .Checkable(Shows::OptionButton, Option::Despeckle),
    Button("ToolButton13", "Contrast stretch", &F::ToolButton13Click, Frame)
        .WithKeys(Qt::Key_S)
        .Checkable(Shows::OptionButton, Option::Stretch),
    Button("ToolButton18", "Sharpen", &F::ToolButton18Click, Frame)
        .WithKeys(Qt::Key_H)
        .Checkable(Shows::OptionButton, Option::Sharpen),
    Gap("BlinkGap"),
    HoldButton("BlinkBtn", "Blink: hold to see the original image", Frame).WithLabel("Blink").WithKeys(Qt::Key_B),
    // Memo1 fills the second row up to the bar's width; the first ends in empty room.
    RowEnd(),

    Row(),
    Button("ToolButton27", "Contrast Down", &F::ToolButton27Click, Frame).WithKeys(Qt::Key_1),
    Button("ToolButton28", "Contrast Up", &F::ToolButton28Click, Frame).WithKeys(Qt::Key_2),
    Button("ToolButton20", "Brightness Down", &F::ToolButton20Click, Frame).WithKeys(Qt::Key_3),
    Button("ToolButton21", "Brightness Up", &F::ToolButton21Click, Frame).WithKeys(Qt::Key_4),
    Button("ToolButton22", "Left To Rigth Brightness Gradient Reduction", &F::ToolButton22Click, Frame)
        .WithKeys(Qt::Key_5),
    Button("ToolButton23", "Right To Left Brightness Gradient Reduction", &F::ToolButton23Click, Frame)
        .WithKeys(Qt::Key_6),
    Gap("ToolButton25"),
    Button("ToolButton19", "Invert Display", &F::ToolButton19Click, Frame)
        .WithKeys(Qt::Key_I)
        .Checkable(Shows::OptionButton, Option::Invert),
    Button("ToolButton32", "Colorization", &F::ToolButton32Click, Frame)
        .WithKeys(Qt::Key_C)
        .Checkable(Shows::OptionButton, Option::Colorize),
    Button("ToolButton30", "Minimize", &F::ToolButton30Click, Frame)
        .WithKeys(Qt::Key_M)
        .Checkable(Shows::OptionButton, Option::Minimize),
    Gap("ToolButton31"),
    Button("ToolButton29", "Image Info", &F::ToolButton29Click, Frame).WithKeys(Qt::CTRL | Qt::Key_I),
    Button("HelpAboutBtn", "About", &F::HelpAboutBtnClick, Always),
    Gap("ToolButton5"),
    CounterBox("Memo1"),
};

QList<QKeySequence> KeysOf(const CommandEntry& entry) {
  QList<QKeySequence> keys;
  if (entry.StandardKeys != QKeySequence::UnknownKey) keys = QKeySequence::keyBindings(entry.StandardKeys);
  if (!keys.isEmpty()) return keys;
  for (const QKeyCombination key : entry.Keys)
    if (key != QKeyCombination()) keys.append(QKeySequence(key));
  return keys;
}

QString KeysText(const QList<QKeySequence>& keys) {
  QStringList texts;
  for (const QKeySequence& key : keys) texts << key.toString(QKeySequence::NativeText);
  return texts.join(", ");
}

// A caption as the menu shows it: no access-key marks, no trailing blank.
QString Shown(const char* caption) { return QString::fromUtf8(caption).remove('&').trimmed(); }

QFrame* ToolBarGap(const char* name) {
  auto* gap = new QFrame;
  gap->setObjectName(name);
  gap->setFrameShape(QFrame::VLine);
  gap->setFrameShadow(QFrame::Sunken);
  gap->setFixedWidth(8);
  return gap;
}

QLineEdit* NewCounterBox(const char* name) {
  auto* box = new QLineEdit("0/0");
  box->setObjectName(name);
  box->setReadOnly(true);
  box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  box->setMinimumSize(89, 22);
  box->setFixedHeight(22);
  box->setFocusPolicy(Qt::NoFocus);
  QFont font("MS Sans Serif");
  font.setPixelSize(16);
  box->setFont(font);
  return box;
}

template <typename Widget>
Widget* Named(const std::vector<std::pair<const CommandEntry*, Widget*>>& widgets, const char* name) {
  for (const auto& [entry, widget] : widgets)
    if (std::string_view(entry->Name) == name) return widget;
  return nullptr;
}

}  // namespace

std::vector<KeyListing> KeyboardShortcuts() {
  std::vector<KeyListing> listing;
  QString place;
  for (const CommandEntry& entry : Table) {
    if (entry.Kind == EntryKind::Menu) place = Shown(entry.Text);
    if (entry.Kind == EntryKind::ToolBarRow) place = QStringLiteral("Tool bar");
    if (const QList<QKeySequence> keys = KeysOf(entry); !keys.isEmpty())
      listing.push_back({place, Shown(entry.Text), KeysText(keys)});
  }
  return listing;
}

CommandWidgets::CommandWidgets(QMainWindow& window, const DockToggles& dockToggles,
                               std::function<void(CommandHandler, Needs)> run)
    : window_(window), run_(std::move(run)) {
  QMenuBar* menuBar = window.menuBar();
  menuBar->setObjectName("MainMenu");
  QMenu* menu = nullptr;
  QVBoxLayout* rows = nullptr;
  QHBoxLayout* row = nullptr;
  for (const CommandEntry& entry : Table) {
    switch (entry.Kind) {
      case EntryKind::Menu:
        menu = menuBar->addMenu(entry.Text);
        menu->setObjectName(entry.Name);
        break;
      case EntryKind::MenuItem: menuItems_.emplace_back(&entry, AddMenuItem(*menu, entry)); break;
      case EntryKind::Submenu: {
        QMenu* submenu = menu->addMenu(entry.Text);
        submenu->setObjectName(entry.Name);
        submenu->menuAction()->setObjectName(entry.Name);
        submenus_.emplace_back(&entry, submenu);
        break;
      }
      case EntryKind::Separator: menu->addSeparator()->setObjectName(entry.Name); break;
      case EntryKind::DockToggle:
        for (const auto& [name, toggle] : dockToggles)
          if (name == entry.Name) {
            toggle->setObjectName(entry.Name);
            toggle->setText(entry.Text);
            toggle->setShortcuts(KeysOf(entry));
            menu->addAction(toggle);
          }
        break;
      case EntryKind::ToolBarRow:
        if (!rows) rows = BuildToolBar();
        row = new QHBoxLayout;
        row->setSpacing(0);
        rows->addLayout(row);
        break;
      case EntryKind::ToolButton:
      case EntryKind::HoldButton: {
        QToolButton* button = AddToolButton(entry);
        toolButtons_.emplace_back(&entry, button);
        row->addWidget(button);
        break;
      }
      case EntryKind::Gap: row->addWidget(ToolBarGap(entry.Name)); break;
      case EntryKind::RowEnd: row->addStretch(1); break;
      case EntryKind::CounterBox:
        counterBox_ = NewCounterBox(entry.Name);
        row->addWidget(counterBox_, 1);
        break;
    }
  }
  WrapToolBarInBand();
}

QVBoxLayout* CommandWidgets::BuildToolBar() {
  coolBar_ = new QToolBar("MojCoolBar", &window_);
  coolBar_->setObjectName("MojCoolBar");
  coolBar_->setMovable(false);
  coolBar_->setFloatable(false);
  coolBar_->toggleViewAction()->setVisible(false);  // only View > Toolbar hides the tool bar
  window_.addToolBar(Qt::TopToolBarArea, coolBar_);

  toolBar_ = new QWidget;
  toolBar_->setObjectName("MojToolBar");
  auto* rows = new QVBoxLayout(toolBar_);
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setSpacing(0);
  return rows;
}

void CommandWidgets::WrapToolBarInBand() {
  // The band wraps the tool bar so that View > Toolbar can hide it like any widget.
  auto* band = new QWidget;
  band->setObjectName("MojCoolBand");
  auto* layout = new QHBoxLayout(band);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(toolBar_);
  layout->addStretch(1);
  coolBar_->addWidget(band);
}

QAction* CommandWidgets::AddMenuItem(QMenu& menu, const CommandEntry& entry) {
  QAction* item = menu.addAction(QString::fromUtf8(entry.Text));
  item->setObjectName(entry.Name);
  QObject::connect(item, &QAction::triggered, &window_,
                   [run = run_, handler = entry.Run, needs = entry.RunsWhen] { run(handler, needs); });
  if (const QList<QKeySequence> keys = KeysOf(entry); !keys.isEmpty()) item->setShortcuts(keys);
  if (entry.MenuGlyph) item->setIcon(ToolGlyph(entry.Name));
  if (entry.Checked != Shows::None) item->setCheckable(true);
  return item;
}

QToolButton* CommandWidgets::AddToolButton(const CommandEntry& entry) {
  auto* button = new QToolButton;
  button->setObjectName(entry.Name);
  // The hint as it stands, the keys after it.
  const QList<QKeySequence> keys = KeysOf(entry);
  button->setToolTip(keys.isEmpty() ? QString::fromUtf8(entry.Text)
                                    : QString("%1 (%2)").arg(QString::fromUtf8(entry.Text), KeysText(keys)));
  // Shown only if the glyph is missing.
  button->setText(QString::fromUtf8(entry.Label ? entry.Label : entry.Text));
  button->setIcon(ToolGlyph(entry.Name));
  button->setIconSize(GlyphSize);
  button->setAutoRaise(true);
  button->setToolButtonStyle(Qt::ToolButtonIconOnly);
  button->setFocusPolicy(Qt::NoFocus);
  if (entry.Kind == EntryKind::ToolButton) {
    QObject::connect(button, &QToolButton::clicked, &window_,
                     [run = run_, handler = entry.Run, needs = entry.RunsWhen] { run(handler, needs); });
    if (!keys.isEmpty()) buttonKeys_.emplace_back(&entry, AddButtonKeys(entry, keys));
  }
  if (entry.Checked != Shows::None) button->setCheckable(true);
  return button;
}

QAction* CommandWidgets::AddButtonKeys(const CommandEntry& entry, const QList<QKeySequence>& keys) {
  auto* action = new QAction(QString::fromUtf8(entry.Text), &window_);
  action->setObjectName(QString::fromUtf8(entry.Name) + "Keys");
  action->setShortcuts(keys);
  QObject::connect(action, &QAction::triggered, &window_,
                   [run = run_, handler = entry.Run, needs = entry.RunsWhen] { run(handler, needs); });
  window_.addAction(action);
  return action;
}

QAction* CommandWidgets::MenuItem(const char* name) const { return Named(menuItems_, name); }
QToolButton* CommandWidgets::ToolButton(const char* name) const { return Named(toolButtons_, name); }
QMenu* CommandWidgets::Submenu(const char* name) const { return Named(submenus_, name); }

bool CommandWidgets::CheckedState(const CommandEntry& entry, const Viewer& viewer) const {
  switch (entry.Checked) {
    case Shows::OptionFlag: return Entry(viewer.OptionFlags(), entry.ShownOption) == 1;
    case Shows::OptionButton: return viewer.OptionButtonDown(entry.ShownOption);
    case Shows::ScanPause: return viewer.CheckedScanPause() == entry.ShownSeconds;
    case Shows::ForwardScan: return viewer.ForwardScanButtonDown();
    case Shows::BackwardScan: return viewer.BackwardScanButtonDown();
    case Shows::ToolBar: return !toolBar_->isHidden();
    case Shows::KeepAdjustments: return viewer.KeepsAdjustments();
    case Shows::Playing: return viewer.Playing();
    case Shows::FullScreen: return window_.isFullScreen();
    case Shows::None:
    case Shows::OwnState: break;
  }
  return false;
}

bool Allowed(Needs needs, const Viewer& viewer, bool frameShown) {
  switch (needs) {
    case Needs::Always: return true;
    case Needs::NoFrame: return !frameShown;
    case Needs::Frame: return frameShown;
    case Needs::Comparison: return frameShown && viewer.Comparison();
  }
  return false;
}

void CommandWidgets::Mirror(const Viewer& viewer, bool frameShown) {
  auto mirror = [&](const CommandEntry& entry, auto& widget) {
    if (entry.RunsWhen != Needs::Always) widget.setEnabled(Allowed(entry.RunsWhen, viewer, frameShown));
    if (entry.Checked != Shows::None && entry.Checked != Shows::OwnState)
      widget.setChecked(CheckedState(entry, viewer));
  };
  for (const auto& [entry, item] : menuItems_) mirror(*entry, *item);
  for (const auto& [entry, button] : toolButtons_) mirror(*entry, *button);
  for (const auto& [entry, keys] : buttonKeys_)
    if (entry->RunsWhen != Needs::Always) keys->setEnabled(Allowed(entry->RunsWhen, viewer, frameShown));
  counterBox_->setText(frameShown ? QString::fromStdString(viewer.CounterText()) : QStringLiteral("0/0"));
}

}  // namespace vantorel
