// The progress window of a running job: a bar by bytes, the current entry,
// the rate and Cancel. It appears only when the job is still running half a
// second after its start, and it is not modal, so the main window stays
// usable (its commands are disabled by the window itself).
#pragma once

#include <QDialog>
#include <QElapsedTimer>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace ovk {

class ArchiveJob;

class TProgressForm : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kShowDelayMs = 500;

  explicit TProgressForm(QWidget* parent = nullptr);

  // Follows the job until its end; caption says what it does ("Extracting").
  void Follow(ArchiveJob* job, const QString& caption);

  QLabel* ActionLabel;
  QLabel* EntryLabel;
  QProgressBar* Bar;
  QLabel* RateLabel;
  QPushButton* CancelButton;

 protected:
  // Closing the window asks the job to stop, as Cancel does.
  void reject() override;

 private:
  void ShowProgress();
  void ShowWaiting(const QString& archive);
  void JobDone();

  ArchiveJob* job_ = nullptr;
  QTimer* showTimer_;
  QElapsedTimer clock_;
};

}  // namespace ovk
