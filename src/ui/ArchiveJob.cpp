#include "ui/ArchiveJob.h"

#include <QEventLoop>
#include <QThread>
#include <exception>
#include <utility>

#include <sys/resource.h>
#include <unistd.h>

#include "ui/UiHelpers.h"

namespace ovk {

namespace {

constexpr int kJobNiceness = 5;

}  // namespace

// The engine's observer: keeps the newest snapshot and posts at most one
// notice at a time to the interface thread, so a fast engine cannot flood
// the event queue.
class ArchiveJob::Relay : public OperationObserver {
 public:
  explicit Relay(ArchiveJob& job) : job_(job) {}

  void Progress(const ProgressSnapshot& snapshot) override {
    {
      std::lock_guard lock(mutex_);
      latest_ = snapshot;
    }
    if (posted_.exchange(true)) return;
    QMetaObject::invokeMethod(&job_, [this] {
      posted_ = false;
      emit job_.ProgressChanged();
    }, Qt::QueuedConnection);
  }

  bool CancelRequested() override { return job_.cancel_; }

  void Waiting(const std::string& archive) override {
    QMetaObject::invokeMethod(&job_, [this, name = FromUtf8(archive)] { emit job_.Waiting(name); },
                              Qt::QueuedConnection);
  }

  void EntriesListed(const std::vector<Entry>& entries, std::size_t from) override {
    {
      std::lock_guard lock(mutex_);
      listed_.insert(listed_.end(), entries.begin() + static_cast<std::ptrdiff_t>(from), entries.end());
    }
    PostListed();
  }

  void EntriesGiven(std::vector<Entry>&& entries) override {
    {
      std::lock_guard lock(mutex_);
      if (listed_.empty()) listed_ = std::move(entries);
      else listed_.insert(listed_.end(), std::make_move_iterator(entries.begin()), std::make_move_iterator(entries.end()));
    }
    PostListed();
  }

  // One notice waits at a time; TakeListed gives all that came meanwhile.
  void PostListed() {
    if (listedPosted_.exchange(true)) return;
    QMetaObject::invokeMethod(&job_, [this] {
      listedPosted_ = false;
      emit job_.EntriesListed();
    }, Qt::QueuedConnection);
  }

  ProgressSnapshot Latest() const {
    std::lock_guard lock(mutex_);
    return latest_;
  }

  std::vector<Entry> TakeListed() {
    std::lock_guard lock(mutex_);
    return std::exchange(listed_, {});
  }

 private:
  ArchiveJob& job_;
  mutable std::mutex mutex_;
  ProgressSnapshot latest_;
  std::vector<Entry> listed_;
  std::atomic<bool> posted_{false};
  std::atomic<bool> listedPosted_{false};
};

ArchiveJob::ArchiveJob(Work work, QObject* parent)
    : QObject(parent), work_(std::move(work)), relay_(std::make_unique<Relay>(*this)) {}

ArchiveJob::~ArchiveJob() {
  if (!thread_) return;
  Cancel();
  thread_->wait();
}

void ArchiveJob::Start() {
  thread_ = QThread::create([this] {
    // Below the interface thread, so that the window keeps painting on a
    // busy machine; the engine's own helper threads inherit this.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kJobNiceness);
    try {
      work_(*relay_);
    } catch (const std::exception& e) {
      error_ = e.what();
    }
  });
  thread_->setParent(this);
  // QThread::finished comes from the job's thread; queued to this one.
  connect(thread_, &QThread::finished, this, &ArchiveJob::ThreadEnded);
  thread_->start();
}

void ArchiveJob::ThreadEnded() {
  // Also reached from Wait when the queued notice cannot be delivered.
  if (finished_) return;
  thread_->wait();
  finished_ = true;
  emit Done();
}

void ArchiveJob::Wait() {
  while (!finished_) {
    QEventLoop loop;
    connect(this, &ArchiveJob::Done, &loop, &QEventLoop::quit);
    // An application that is quitting runs no more loops: then the thread
    // is waited for directly.
    if (loop.exec() < 0 && !finished_) {
      thread_->wait();
      ThreadEnded();
    }
  }
}

ProgressSnapshot ArchiveJob::Latest() const { return relay_->Latest(); }

std::vector<Entry> ArchiveJob::TakeListed() { return relay_->TakeListed(); }

}  // namespace ovk
