// One engine call run on a thread of its own, so that the window keeps
// painting and answering. Progress reaches the interface thread as signals;
// a cancel is a flag the engine polls between pieces.
#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include <vector>

#include "engine/ListArchive.h"
#include "engine/Observer.h"

class QThread;

namespace ovk {

class ArchiveJob : public QObject {
  Q_OBJECT
 public:
  // Runs on the job's thread; the observer is the job's own.
  using Work = std::function<void(OperationObserver&)>;

  explicit ArchiveJob(Work work, QObject* parent = nullptr);
  // Stops the work and waits for its thread.
  ~ArchiveJob() override;

  void Start();
  void Cancel() { cancel_ = true; }
  bool Cancelling() const { return cancel_; }
  bool Finished() const { return finished_; }
  // Returns once the work has ended, running a local event loop meanwhile.
  void Wait();
  // The newest progress the engine gave.
  ProgressSnapshot Latest() const;
  // The entries a listing handed out since the last call.
  std::vector<Entry> TakeListed();
  // What the work threw, if it threw.
  const std::string& Error() const { return error_; }

 signals:
  // Coalesced: many engine calls between two signals give one.
  void ProgressChanged();
  void Waiting(const QString& archive);
  // Coalesced as progress is: TakeListed gives what came meanwhile.
  void EntriesListed();
  void Done();

 private:
  class Relay;
  void ThreadEnded();

  Work work_;
  std::unique_ptr<Relay> relay_;
  QThread* thread_ = nullptr;
  std::atomic<bool> cancel_{false};
  bool finished_ = false;
  std::string error_;
};

}  // namespace ovk
