// A few threads that code entries while the operation's own thread reads the
// sources and writes the archive.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace ovk {

class CodingPool {
 public:
  explicit CodingPool(unsigned threads);
  // Runs the work already handed over, then ends the threads.
  ~CodingPool();
  CodingPool(const CodingPool&) = delete;
  CodingPool& operator=(const CodingPool&) = delete;

  // The future gives the work's exception, if it raised one.
  std::future<void> Run(std::function<void()> work);

  // One per core, at least one.
  static unsigned Cores();

 private:
  void Serve();

  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::packaged_task<void()>> queue_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace ovk
