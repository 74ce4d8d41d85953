#include "support/Terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <ctime>
#include <iostream>

namespace ovk {

namespace {

std::atomic<bool> g_interrupted{false};

void OnInterrupt(int) { g_interrupted = true; }

}  // namespace

bool ErrorOutputIsTerminal() { return isatty(STDERR_FILENO) == 1; }

void CatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool Interrupted() { return g_interrupted; }

double MonotonicSeconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

int TerminalColumns() {
  winsize size{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

namespace {

// One byte of the terminal, waiting with Ctrl-C and SIGTERM let through only
// while it waits, so that neither can slip in between a check and the read.
// False at an interrupt, the terminal's end or an error.
bool ReadTerminalByte(int fd, char& c, const sigset_t& waitMask) {
  pollfd in{fd, POLLIN, 0};
  while (!g_interrupted) {
    if (ppoll(&in, 1, nullptr, &waitMask) < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    return read(fd, &c, 1) == 1;
  }
  return false;
}

}  // namespace

bool AskPasswordOnTerminal(const std::string& prompt, std::string& password) {
  const int fd = open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return false;
  // Ctrl-C, Ctrl-\, SIGTERM or a hang-up at the prompt must not end the
  // process with echo off: each stops the prompt like Ctrl-C does.
  CatchInterrupts();
  struct sigaction stopAction {}, savedQuit {}, savedHangUp {};
  stopAction.sa_handler = OnInterrupt;
  sigemptyset(&stopAction.sa_mask);
  sigaction(SIGQUIT, &stopAction, &savedQuit);
  sigaction(SIGHUP, &stopAction, &savedHangUp);
  sigset_t stops, waitMask;
  sigemptyset(&stops);
  sigaddset(&stops, SIGINT);
  sigaddset(&stops, SIGTERM);
  sigaddset(&stops, SIGQUIT);
  sigaddset(&stops, SIGHUP);
  sigprocmask(SIG_BLOCK, &stops, &waitMask);
  termios saved{};
  const bool quiet = tcgetattr(fd, &saved) == 0;
  if (quiet) {
    termios silent = saved;
    silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(fd, TCSANOW, &silent);
  }
  [[maybe_unused]] const ssize_t shown = write(fd, prompt.data(), prompt.size());
  password.clear();
  char c = 0;
  bool ended = false;
  while (ReadTerminalByte(fd, c, waitMask)) {
    if (c == '\n' || c == '\r') {
      ended = true;
      break;
    }
    password += c;
  }
  if (quiet) tcsetattr(fd, TCSANOW, &saved);
  sigaction(SIGQUIT, &savedQuit, nullptr);
  sigaction(SIGHUP, &savedHangUp, nullptr);
  sigprocmask(SIG_SETMASK, &waitMask, nullptr);
  [[maybe_unused]] const ssize_t newline = write(fd, "\n", 1);
  close(fd);
  if (g_interrupted) password.clear();
  return !g_interrupted && (ended || !password.empty());
}

bool ReadFirstInputLine(std::string& line) {
  if (!std::getline(std::cin, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

}  // namespace ovk
