// File > Export Animation...: the questions asked before the file name, and
// the export itself on a background thread behind a progress dialog.
#pragma once

#include <QDialog>

#include "export/animation.h"

class QComboBox;
class QLabel;
class QProgressDialog;
class QSpinBox;

namespace vantorel {

class AnimationExportDialog : public QDialog {
  Q_OBJECT
 public:
  explicit AnimationExportDialog(QWidget* parent);

  // An index into AnimationFormats.
  int Format() const;
  int FramesPerSecond() const;
  AnimationSize Size() const;
  void Choose(int format, int framesPerSecond, AnimationSize size);
  // How many frames the export takes, and where they come from.
  void SetSequence(const QString& description);

 private:
  QComboBox* format_ = nullptr;
  QSpinBox* rate_ = nullptr;
  QComboBox* size_ = nullptr;
  QLabel* sequence_ = nullptr;
};

// The progress dialog of the exports, made hidden.
QProgressDialog* NewAnimationProgress(QWidget* parent);

// Writes the animation on a background thread while progress counts the
// frames; its Cancel stops the export, and nothing is written then. The
// window's events keep running meanwhile; progress is hidden at the end and
// keeps its last count.
AnimationOutcome ExportAnimationWithProgress(QProgressDialog& progress, const AnimationRequest& request);

}  // namespace vantorel
