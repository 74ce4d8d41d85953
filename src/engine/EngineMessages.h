// The engine's failure texts ("Internal packer: ...") go to one optional
// process-wide hook; nothing in the window sets it.
#pragma once

#include <functional>
#include <string>

namespace ovk {

extern std::function<void(const std::string&)> EngineMessageHook;

// Hands the text to the hook when one is set.
void ReportEngineMessage(const std::string& text);

}  // namespace ovk
