#include "engine/formats/libarchive/DecodeAhead.h"

namespace ovk {

namespace {

// Pieces made and not yet used: enough to keep both threads busy, few
// enough that the memory stays small.
constexpr std::size_t kPiecesAhead = 4;

}  // namespace

DecodeAhead::DecodeAhead(Make make) : make_(std::move(make)), thread_([this] { Run(); }) {}

DecodeAhead::~DecodeAhead() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

const DecodeAhead::Piece& DecodeAhead::Next() {
  std::unique_lock lock(mutex_);
  if (started_ && current_.status <= 0) return current_;
  changed_.wait(lock, [this] { return !ready_.empty(); });
  if (started_) spare_.push_back(std::move(current_.bytes));
  current_ = std::move(ready_.front());
  ready_.pop_front();
  started_ = true;
  lock.unlock();
  changed_.notify_all();
  return current_;
}

void DecodeAhead::Run() {
  for (;;) {
    Piece piece;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return stopping_ || ready_.size() < kPiecesAhead; });
      if (stopping_) return;
      if (!spare_.empty()) {
        piece.bytes = std::move(spare_.back());
        spare_.pop_back();
      }
    }
    piece.bytes.clear();
    make_(piece);
    const bool last = piece.status <= 0;
    {
      const std::lock_guard lock(mutex_);
      ready_.push_back(std::move(piece));
    }
    changed_.notify_all();
    if (last) return;
  }
}

}  // namespace ovk
