#include "ui/ProgressForm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/ArchiveJob.h"
#include "ui/UiHelpers.h"

namespace ovk {

namespace {

// The bar's steps: fine enough for smooth movement, small enough for int.
constexpr int kBarSteps = 1000;

}  // namespace

TProgressForm::TProgressForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("Progress"));
  setModal(false);
  ActionLabel = new QLabel(this);
  EntryLabel = new QLabel(this);
  EntryLabel->setMinimumWidth(360);
  EntryLabel->setTextFormat(Qt::PlainText);
  Bar = new QProgressBar(this);
  Bar->setRange(0, kBarSteps);
  RateLabel = new QLabel(this);
  CancelButton = new QPushButton(tr("Cancel"), this);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(RateLabel, 1);
  buttons->addWidget(CancelButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(ActionLabel);
  layout->addWidget(EntryLabel);
  layout->addWidget(Bar);
  layout->addLayout(buttons);
  showTimer_ = new QTimer(this);
  showTimer_->setSingleShot(true);
  // A coarse timer may fire up to 5 % early; short jobs must never flash it.
  showTimer_->setTimerType(Qt::PreciseTimer);
  showTimer_->setInterval(kShowDelayMs);
  connect(showTimer_, &QTimer::timeout, this, &QWidget::show);
  connect(CancelButton, &QPushButton::clicked, this, &TProgressForm::reject);
}

void TProgressForm::Follow(ArchiveJob* job, const QString& caption) {
  job_ = job;
  clock_.start();
  ActionLabel->setText(caption);
  EntryLabel->clear();
  RateLabel->clear();
  Bar->setValue(0);
  CancelButton->setEnabled(true);
  connect(job, &ArchiveJob::ProgressChanged, this, &TProgressForm::ShowProgress);
  connect(job, &ArchiveJob::Waiting, this, &TProgressForm::ShowWaiting);
  connect(job, &ArchiveJob::Done, this, &TProgressForm::JobDone);
  showTimer_->start();
}

void TProgressForm::ShowProgress() {
  const ProgressSnapshot p = job_->Latest();
  EntryLabel->setText(FromUtf8(p.currentEntry));
  if (p.bytesTotal > 0)
    Bar->setValue(static_cast<int>(static_cast<double>(p.bytesDone) / static_cast<double>(p.bytesTotal) * kBarSteps));
  const double seconds = static_cast<double>(clock_.elapsed()) / 1000.0;
  if (seconds > 0)
    RateLabel->setText(
        tr("%1/s").arg(QLocale().formattedDataSize(static_cast<qint64>(static_cast<double>(p.bytesDone) / seconds))));
}

void TProgressForm::ShowWaiting(const QString& archive) {
  EntryLabel->setText(tr("Waiting for another program to release %1").arg(archive));
}

void TProgressForm::reject() {
  if (job_) job_->Cancel();
  CancelButton->setEnabled(false);
  ActionLabel->setText(tr("Stopping..."));
}

void TProgressForm::JobDone() {
  showTimer_->stop();
  job_ = nullptr;
  hide();
}

}  // namespace ovk
