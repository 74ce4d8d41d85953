// Content coded block by block on the coding threads and handed on in its
// order, in the manner of pigz: each block is coded on its own, so that the
// outputs simply follow one another. Memory stays bounded: two blocks per
// core are in flight at most.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <string>

#include "engine/CodingPool.h"

namespace ovk {

class ParallelBlocks {
 public:
  // A block's output from its content; runs on a coding thread.
  using Code = std::function<std::string(const std::string& content, bool last)>;
  // The next block's content and output, on the caller's thread.
  using Take = std::function<void(const std::string& content, const std::string& block)>;

  ParallelBlocks(CodingPool& pool, Code code, Take take);
  ParallelBlocks(const ParallelBlocks&) = delete;
  ParallelBlocks& operator=(const ParallelBlocks&) = delete;

  // Starts coding the next block; while too many are in flight, hands on
  // the oldest. Raises what a block's coding or Take raised.
  void Add(std::string content, bool last);
  // Hands on every block still in flight.
  void Drain();

 private:
  // A block owns what it reads and writes, so that one left behind (a
  // cancel, a failed write) may go on running.
  struct InFlight {
    std::shared_ptr<const std::string> content;
    std::shared_ptr<std::string> block;
    std::future<void> done;
  };

  void TakeOldest();

  CodingPool& pool_;
  std::shared_ptr<const Code> code_;
  Take take_;
  std::size_t most_;
  std::deque<InFlight> inFlight_;
};

}  // namespace ovk
