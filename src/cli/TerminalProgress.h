// The observer of `ovk`'s long commands: one updating progress line on a
// terminal (bar, bytes, rate, time left), and Ctrl-C or SIGTERM as a cancel.
#pragma once

#include "engine/Observer.h"

namespace ovk::cli {

// Exit status of a run stopped by Ctrl-C or SIGTERM.
constexpr int kExitInterrupted = 130;

class TerminalProgress : public OperationObserver {
 public:
  // Shows the line only when standard error is a terminal and not quiet.
  explicit TerminalProgress(bool quiet);
  ~TerminalProgress() override;
  void Progress(const ProgressSnapshot& snapshot) override;
  bool CancelRequested() override;
  void Waiting(const std::string& archive) override;

 private:
  void Clear();

  bool shown_;
  bool drawn_ = false;
  bool toldWaiting_ = false;
  double start_;
  double lastDraw_ = 0;
};

}  // namespace ovk::cli
