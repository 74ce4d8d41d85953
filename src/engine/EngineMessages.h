// The engine's failure texts ("Internal packer: ...") go to one optional
// process-wide hook; nothing in the window sets it. A second hook learns
// that an operation waits for another program writing its archive.
#pragma once

#include <functional>
#include <string>

namespace ovk {

extern std::function<void(const std::string&)> EngineMessageHook;
extern std::function<void(const std::string& archivePath)> ArchiveBusyHook;

// Hands the text to the hook when one is set.
void ReportEngineMessage(const std::string& text);
// Why an open failed, in words for a message: the file layer refuses
// anything but a regular file with EINVAL.
std::string OpenFailureText(int code);
// Tells the busy hook, when one is set, that the operation now waits for
// the archive.
void ReportArchiveBusy(const std::string& archivePath);

}  // namespace ovk
