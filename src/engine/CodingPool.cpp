#include "engine/CodingPool.h"

namespace ovk {

CodingPool::CodingPool(unsigned threads) {
  for (unsigned i = 0; i < threads; ++i) threads_.emplace_back([this] { Serve(); });
}

CodingPool::~CodingPool() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  ready_.notify_all();
  for (std::thread& t : threads_) t.join();
}

std::future<void> CodingPool::Run(std::function<void()> work) {
  std::packaged_task<void()> task(std::move(work));
  std::future<void> done = task.get_future();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(task));
  }
  ready_.notify_one();
  return done;
}

unsigned CodingPool::Cores() {
  const unsigned n = std::thread::hardware_concurrency();
  return n == 0 ? 1 : n;
}

void CodingPool::Serve() {
  for (;;) {
    std::packaged_task<void()> task;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      ready_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (queue_.empty()) return;
      task = std::move(queue_.front());
      queue_.pop_front();
    }
    task();
  }
}

}  // namespace ovk
