#include "engine/EngineMessages.h"

#include <cerrno>
#include <cstring>

namespace ovk {

std::function<void(const std::string&)> EngineMessageHook;
std::function<void(const std::string&)> ArchiveBusyHook;

void ReportEngineMessage(const std::string& text) {
  if (EngineMessageHook) EngineMessageHook(text);
}

std::string OpenFailureText(int code) {
  return code == EINVAL ? "not a regular file" : std::strerror(code);
}

void ReportArchiveBusy(const std::string& archivePath) {
  if (ArchiveBusyHook) ArchiveBusyHook(archivePath);
}

}  // namespace ovk
