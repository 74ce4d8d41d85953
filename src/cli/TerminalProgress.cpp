#include "cli/TerminalProgress.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>

#include "cli/Commands.h"
#include "cli/Escape.h"
#include "support/Terminal.h"

namespace ovk::cli {

namespace {

// Redrawing more often only costs time: the eye cannot follow it.
constexpr double kRedrawSeconds = 0.1;

std::string Bytes(double bytes) {
  const char* units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
  int unit = 0;
  while (bytes >= 1024 && unit < 4) {
    bytes /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", bytes, units[unit]);
  return text;
}

std::string Duration(double seconds) {
  const long s = static_cast<long>(seconds + 0.5);
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
  return text;
}

}  // namespace

TerminalProgress::TerminalProgress(bool quiet)
    : shown_(!quiet && ErrorOutputIsTerminal()), start_(MonotonicSeconds()) {
  CatchInterrupts();
}

TerminalProgress::~TerminalProgress() { Clear(); }

void TerminalProgress::Clear() {
  if (!drawn_) return;
  std::cerr << "\r\033[K" << std::flush;
  drawn_ = false;
}

void TerminalProgress::Progress(const ProgressSnapshot& s) {
  const double now = MonotonicSeconds();
  if (!shown_ || now - lastDraw_ < kRedrawSeconds) return;
  lastDraw_ = now;
  const double fraction = s.bytesTotal ? std::min(1.0, double(s.bytesDone) / double(s.bytesTotal)) : 0.0;
  const double elapsed = now - start_;
  const double rate = elapsed > 0 ? double(s.bytesDone) / elapsed : 0;
  constexpr int kBar = 20;
  const int filled = static_cast<int>(fraction * kBar);
  std::string line = "[" + std::string(filled, '#') + std::string(kBar - filled, '.') + "] ";
  char percent[8];
  std::snprintf(percent, sizeof percent, "%3d%% ", static_cast<int>(fraction * 100));
  line += percent + Bytes(double(s.bytesDone)) + " of " + Bytes(double(s.bytesTotal)) + ", " + Bytes(rate) + "/s";
  if (rate > 0 && s.bytesTotal > s.bytesDone) line += ", " + Duration(double(s.bytesTotal - s.bytesDone) / rate) + " left";
  const std::size_t columns = static_cast<std::size_t>(std::max(20, TerminalColumns() - 1));
  line += "  ";
  line = line.size() < columns ? line + FitColumns(EscapeControls(s.currentEntry), columns - line.size())
                               : line.substr(0, columns);
  std::cerr << "\r\033[K" << line << std::flush;
  drawn_ = true;
}

bool TerminalProgress::CancelRequested() { return Interrupted(); }

void TerminalProgress::Waiting(const std::string& archive) {
  if (toldWaiting_ || !ErrorOutputIsTerminal()) return;
  toldWaiting_ = true;
  Clear();
  Warn("waiting for another program using " + archive);
}

}  // namespace ovk::cli
