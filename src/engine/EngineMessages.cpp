#include "engine/EngineMessages.h"

namespace ovk {

std::function<void(const std::string&)> EngineMessageHook;

void ReportEngineMessage(const std::string& text) {
  if (EngineMessageHook) EngineMessageHook(text);
}

}  // namespace ovk
