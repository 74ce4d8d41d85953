#include "engine/ParallelBlocks.h"

namespace ovk {

ParallelBlocks::ParallelBlocks(CodingPool& pool, Code code, Take take)
    : pool_(pool),
      code_(std::make_shared<const Code>(std::move(code))),
      take_(std::move(take)),
      most_(2 * CodingPool::Cores()) {}

void ParallelBlocks::Add(std::string content, bool last) {
  auto held = std::make_shared<const std::string>(std::move(content));
  auto block = std::make_shared<std::string>();
  auto done = pool_.Run([code = code_, held, block, last] { *block = (*code)(*held, last); });
  inFlight_.push_back({std::move(held), std::move(block), std::move(done)});
  while (inFlight_.size() >= most_) TakeOldest();
}

void ParallelBlocks::Drain() {
  while (!inFlight_.empty()) TakeOldest();
}

// Out of the queue before it is handed on: a Take that fails does not leave
// it to be handed on twice.
void ParallelBlocks::TakeOldest() {
  InFlight oldest = std::move(inFlight_.front());
  inFlight_.pop_front();
  oldest.done.get();
  take_(*oldest.content, *oldest.block);
}

}  // namespace ovk
