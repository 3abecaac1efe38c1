// View > Colour Composite: the dialog that picks the red, green and blue
// frames and their weights, the composite shown in the image window with a
// readout of all three channels, following the window's options and steps,
// and its Save As and Close. The composing itself is the core's CompositeDocument.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QDialog>
#include <QString>

#include "viewer/composite_document.h"

class QAction;
class QComboBox;
class QDoubleSpinBox;
class QFileDialog;
class QMainWindow;

namespace vantorel {

class Dialogs;
class FramesDock;
class FrameViews;
class Viewer;

// The three channels' frames and weights.
class CompositeDialog : public QDialog {
  Q_OBJECT
 public:
  CompositeDialog(QWidget* parent, Dialogs& dialogs);

  // The frames offered in each channel's list, and the ones chosen.
  // filterOf names a frame's filter, "" when unknown.
  void Offer(const std::vector<std::string>& frames, const ColorSet& chosen,
             const std::function<std::string(const std::string&)>& filterOf);
  ColorSet Chosen() const;
  std::array<double, 3> Weights() const;
  // The list and weight of channel 0 (red), 1 or 2.
  QComboBox& FrameList(int channel) const { return *frames_[std::size_t(channel)]; }
  QDoubleSpinBox& Weight(int channel) const { return *weights_[std::size_t(channel)]; }

 private:
  void AddFrame(int channel, const std::string& path);
  // Selects path in the channel's list, adding it when it is not there.
  void Choose(int channel, const std::string& path);
  void BrowseFor(int channel);

  Dialogs& dialogs_;
  std::array<QComboBox*, 3> frames_{};
  std::array<QDoubleSpinBox*, 3> weights_{};
  QFileDialog* fileDialog_ = nullptr;
  std::function<std::string(const std::string&)> filterOf_;
};

class CompositeViews {
 public:
  CompositeViews(QMainWindow& window, const Viewer& viewer, FrameViews& frameViews, const FramesDock& framesDock,
                 Dialogs& dialogs);

  // Colour Composite...: asks for the frames and shows their composite;
  // makeRoom is called first, once it is made.
  void Start(const std::function<void()>& makeRoom);
  // Save Composite As...
  void SaveAs();
  // Close Composite, another frame on screen, or another picture taking the
  // image window's place: the processed picture comes back.
  void End();
  // After a render of the frame on screen: the composite follows its options and steps.
  void Follow();
  // Save and Close are enabled only while a composite is on screen.
  void MirrorCommands(QAction& save, QAction& close) const;

  bool Shown() const { return document_.Composed(); }
  const CompositeDocument& Document() const { return document_; }
  CompositeDialog& Dialog() const { return *dialog_; }

 private:
  // What the dialog offers first: the Frames selection of three, else the
  // suggested set, else the frame on screen in every channel.
  ColorSet Preset(const FrameBrowser& around) const;
  // The headers of the frames around the frame on screen: the Frames dock's
  // when it lists that frame, else those of its folder.
  std::vector<CatalogueEntry> EntriesAround() const;
  AnimationLook CurrentLook() const;
  void Show();
  void Failed(const QString& title);

  QMainWindow& window_;
  const Viewer& viewer_;
  FrameViews& frameViews_;
  const FramesDock& framesDock_;
  Dialogs& dialogs_;
  CompositeDialog* dialog_ = nullptr;
  QFileDialog* saveDialog_ = nullptr;
  CompositeDocument document_;
};

}  // namespace vantorel
