// The menus and the two-row tool bar as one table: each command's object name,
// caption or hint, glyph, keys, handler, the state in which it runs and the
// Viewer state its check mark or Down state shows. CommandWidgets builds the
// widgets from it and mirrors the Viewer onto them.
#pragma once

#include <array>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

#include <QKeySequence>
#include <QString>

#include "pipeline/render_context.h"

class QAction;
class QLineEdit;
class QMainWindow;
class QMenu;
class QToolBar;
class QToolButton;
class QVBoxLayout;
class QWidget;
class TMainForm;

namespace vantorel {

class Viewer;

using CommandHandler = void (TMainForm::*)();

// When a command runs: whatever is on screen, only with no frame, only with
// one, only while it is compared with another.
enum class Needs { Always, NoFrame, Frame, Comparison };

// Whether a command that needs so much runs now.
bool Allowed(Needs needs, const Viewer& viewer, bool frameShown);

enum class EntryKind {
  Menu,  // a menu of the menu bar; the items below go into it
  MenuItem,
  Submenu,     // filled by the window (File > Open Recent)
  Separator,   // between menu items
  DockToggle,  // a dock's own action, so that its check follows the dock's close box
  ToolBarRow,  // a row of the tool bar; the buttons below go into it
  ToolButton,
  HoldButton,  // works while held: its owner takes pressed and released, not a click, and watches its keys
  Gap,         // between tool buttons
  RowEnd,      // the rest of the row left empty
  CounterBox,  // the frame counter, filling the rest of its row
};

// What a check mark or a Down state shows; anything but None makes the command checkable.
enum class Shows {
  None,
  OwnState,  // the user's own choice, which no Viewer state overrides
  OptionFlag,
  OptionButton,
  ScanPause,
  ForwardScan,
  BackwardScan,
  KeepAdjustments,
  Playing,
  ToolBar,     // whether the tool bar is on screen
  FullScreen,  // whether the main window fills the screen
};

struct CommandEntry {
  EntryKind Kind;
  const char* Name;
  const char* Text = "";  // the caption of a menu or menu item, the hint of a tool button
  CommandHandler Run = nullptr;
  Needs RunsWhen = Needs::Always;
  Shows Checked = Shows::None;
  Option ShownOption = Option::Stretch;
  int ShownSeconds = 0;
  // The platform's keys for a standard command, Keys[0] where it names none;
  // Keys alone otherwise.
  QKeySequence::StandardKey StandardKeys = QKeySequence::UnknownKey;
  std::array<QKeyCombination, 2> Keys{};
  bool MenuGlyph = false;       // a menu item drawn with the tool-bar glyph of its name
  const char* Label = nullptr;  // a tool button's text where its glyph is missing; the hint if none

  constexpr CommandEntry WithKeys(QKeySequence::StandardKey standard, QKeyCombination fallback) const {
    CommandEntry entry = *this;
    entry.StandardKeys = standard;
    entry.Keys = {fallback, QKeyCombination()};
    return entry;
  }
  constexpr CommandEntry WithKeys(QKeyCombination key, QKeyCombination other = QKeyCombination()) const {
    CommandEntry entry = *this;
    entry.Keys = {key, other};
    return entry;
  }
  constexpr CommandEntry WithGlyph() const {
    CommandEntry entry = *this;
    entry.MenuGlyph = true;
    return entry;
  }
  constexpr CommandEntry WithLabel(const char* label) const {
    CommandEntry entry = *this;
    entry.Label = label;
    return entry;
  }
  constexpr CommandEntry Checkable(Shows shows, Option option = Option::Stretch) const {
    CommandEntry entry = *this;
    entry.Checked = shows;
    entry.ShownOption = option;
    return entry;
  }
  constexpr CommandEntry Checkable(Shows shows, int seconds) const {
    CommandEntry entry = *this;
    entry.Checked = shows;
    entry.ShownSeconds = seconds;
    return entry;
  }
};

// One line of Help > Keyboard Shortcuts: the menu or the tool bar that holds a
// command, its caption or hint, and its keys as the platform writes them.
struct KeyListing {
  QString Place;
  QString Command;
  QString Keys;
};

// Every key of every command, in the table's order.
std::vector<KeyListing> KeyboardShortcuts();

// The menus and the tool bar of the main window, built from the table.
class CommandWidgets {
 public:
  // Builds window's menu bar and tool bar; every command's click goes to run,
  // the window's guard. Each DockToggle item is the action dockToggles gives for its name.
  using DockToggles = std::vector<std::pair<std::string_view, QAction*>>;
  CommandWidgets(QMainWindow& window, const DockToggles& dockToggles, std::function<void(CommandHandler, Needs)> run);

  // Enabled states by whether a frame is on screen; check marks, Down states
  // and the counter box from the Viewer.
  void Mirror(const Viewer& viewer, bool frameShown);

  // The row of buttons and the counter box, which View > Toolbar hides and shows.
  QWidget& ToolBar() const { return *toolBar_; }
  // The menu item or tool button of that object name; null when there is none.
  QAction* MenuItem(const char* name) const;
  QToolButton* ToolButton(const char* name) const;
  QMenu* Submenu(const char* name) const;

 private:
  // The cool bar and its tool bar, whose rows the layout returned holds.
  QVBoxLayout* BuildToolBar();
  void WrapToolBarInBand();
  bool CheckedState(const CommandEntry& entry, const Viewer& viewer) const;
  QAction* AddMenuItem(QMenu& menu, const CommandEntry& entry);
  QToolButton* AddToolButton(const CommandEntry& entry);
  // A tool button's keys, bound to the window so that they work with the tool bar hidden.
  QAction* AddButtonKeys(const CommandEntry& entry, const QList<QKeySequence>& keys);

  QMainWindow& window_;
  std::function<void(CommandHandler, Needs)> run_;
  QToolBar* coolBar_ = nullptr;
  QWidget* toolBar_ = nullptr;
  QLineEdit* counterBox_ = nullptr;
  std::vector<std::pair<const CommandEntry*, QAction*>> menuItems_;
  std::vector<std::pair<const CommandEntry*, QToolButton*>> toolButtons_;
  std::vector<std::pair<const CommandEntry*, QMenu*>> submenus_;
  std::vector<std::pair<const CommandEntry*, QAction*>> buttonKeys_;
};

}  // namespace vantorel
