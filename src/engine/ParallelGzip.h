// A gzip file compressed on the coding threads: the bytes written are cut
// into blocks, each compressed on its own into one gzip member, and the
// members follow one another in the file, which every gzip reader takes for
// the content of them all joined. Blocks of 1 MiB at libdeflate's default
// level come out about as large as one gzip -6 stream of the same bytes,
// in well under half the time zlib takes for blocks primed with the bytes
// before them.
#pragma once

#include <cstddef>
#include <string>

#include "engine/CodingPool.h"
#include "engine/ParallelBlocks.h"
#include "support/FileUnit.h"

namespace ovk {

class ParallelGzip {
 public:
  explicit ParallelGzip(DataFile& file);
  ParallelGzip(const ParallelGzip&) = delete;
  ParallelGzip& operator=(const ParallelGzip&) = delete;

  // Raises the file layer's failure, or a block's.
  void Write(const void* data, std::size_t size);
  // Compresses and writes what is left: the file is then whole. Left
  // without it, the blocks not yet written are dropped.
  void Finish();

 private:
  void AddPending(bool last);

  DataFile& file_;
  CodingPool pool_;  // before the blocks: its threads end after them
  ParallelBlocks blocks_;
  std::string pending_;  // the next block's bytes so far
  bool started_ = false;
};

}  // namespace ovk
