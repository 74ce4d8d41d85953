// Pieces of a decoded stream made on a thread of their own, a few ahead of
// the one in use, so that decoding a compressed archive runs beside
// libarchive's parsing and the writing of what it hands out.
#pragma once

#include <archive.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/IoError.h"

namespace ovk {

class DecodeAhead {
 public:
  struct Piece {
    std::string bytes;
    // The size handed to libarchive: 0 at the stream's end, -1 when it is
    // damaged (why in damage) or could not be read (failure).
    la_ssize_t status = 0;
    const char* damage = nullptr;
    IoError failure;
  };
  // Fills the next piece, its bytes cleared; called on the thread only.
  using Make = std::function<void(Piece&)>;

  explicit DecodeAhead(Make make);
  // Stops the thread, the pieces made ahead dropped.
  ~DecodeAhead();
  DecodeAhead(const DecodeAhead&) = delete;
  DecodeAhead& operator=(const DecodeAhead&) = delete;

  // The next piece, once made; it stays as it is until the next call. After
  // the last one (status 0 or -1) that one comes again.
  const Piece& Next();

 private:
  void Run();

  Make make_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Piece> ready_;
  std::vector<std::string> spare_;  // the buffers of pieces used, for reuse
  Piece current_;
  bool started_ = false, stopping_ = false;
  std::thread thread_;  // last: it starts once the rest is in place
};

}  // namespace ovk
