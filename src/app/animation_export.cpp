#include "app/animation_export.h"

#include <atomic>
#include <thread>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFormLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressDialog>
#include <QSpinBox>
#include <QVBoxLayout>

namespace vantorel {

AnimationExportDialog::AnimationExportDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("AnimationDialog");
  setWindowTitle("Export Animation");
  auto* layout = new QVBoxLayout(this);
  sequence_ = new QLabel;
  sequence_->setObjectName("AnimationSequence");
  layout->addWidget(sequence_);
  auto* form = new QFormLayout;
  format_ = new QComboBox;
  format_->setObjectName("AnimationFormat");
  for (const AnimationFormatEntry& entry : AnimationFormats) format_->addItem(entry.Label);
  rate_ = new QSpinBox;
  rate_->setObjectName("AnimationRate");
  rate_->setRange(1, MaxFramesPerSecond);
  rate_->setValue(DefaultFramesPerSecond);
  rate_->setSuffix(" frames a second");
  size_ = new QComboBox;
  size_->setObjectName("AnimationSize");
  size_->addItem("Full (832 x 700)");
  size_->addItem("Half (416 x 350)");
  form->addRow("&Format:", format_);
  form->addRow("&Rate:", rate_);
  form->addRow("&Size:", size_);
  layout->addLayout(form);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

int AnimationExportDialog::Format() const { return format_->currentIndex(); }
int AnimationExportDialog::FramesPerSecond() const { return rate_->value(); }
AnimationSize AnimationExportDialog::Size() const {
  return size_->currentIndex() == 1 ? AnimationSize::Half : AnimationSize::Full;
}

void AnimationExportDialog::Choose(int format, int framesPerSecond, AnimationSize size) {
  format_->setCurrentIndex(format);
  rate_->setValue(framesPerSecond);
  size_->setCurrentIndex(size == AnimationSize::Half ? 1 : 0);
}

void AnimationExportDialog::SetSequence(const QString& description) { sequence_->setText(description); }

QProgressDialog* NewAnimationProgress(QWidget* parent) {
  auto* progress = new QProgressDialog("Writing the animation...", "Cancel", 0, 1, parent);
  progress->setObjectName("AnimationProgress");
  progress->setWindowTitle("Export Animation");
  progress->setWindowModality(Qt::WindowModal);
  progress->setMinimumWidth(360);
  progress->setMinimumDuration(0);
  progress->setAutoClose(false);
  progress->setAutoReset(false);
  // Made, a progress dialog shows itself after a while unless reset.
  progress->reset();
  progress->hide();
  return progress;
}

AnimationOutcome ExportAnimationWithProgress(QProgressDialog& progress, const AnimationRequest& request) {
  progress.reset();
  progress.setRange(0, int(request.Frames.size()));
  progress.setLabelText(QString("Writing %1 frames...").arg(request.Frames.size()));
  progress.setValue(0);
  progress.show();
  std::atomic<bool> cancelled = false;
  const QMetaObject::Connection cancel =
      QObject::connect(&progress, &QProgressDialog::canceled, [&cancelled] { cancelled = true; });

  QEventLoop loop;
  QPointer<QProgressDialog> shown(&progress);
  AnimationOutcome outcome;
  AnimationHooks hooks;
  // Counts are handed to the window's thread, to a dialog that may be gone by then.
  hooks.Progress = [&loop, shown](std::size_t done, std::size_t total) {
    QMetaObject::invokeMethod(&loop, [shown, done, total] {
      if (!shown) return;
      shown->setLabelText(QString("Frame %1 of %2 written").arg(done).arg(total));
      shown->setValue(int(done));
    });
  };
  hooks.Cancelled = [&cancelled] { return cancelled.load(); };
  {
    std::jthread worker([&] {
      outcome = WriteAnimation(request, hooks);
      QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); });
    });
    loop.exec();
  }
  QObject::disconnect(cancel);
  progress.hide();
  return outcome;
}

}  // namespace vantorel
