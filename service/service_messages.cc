#include "service/service_messages.h"

#include "platform/posix/wide_text.h"
#include "service/visible_text.h"

std::string NoTaskNamedMessage(const std::wstring& name) {
  return std::string(kMessagePrefix) + "no task is named \"" + VisibleText(Utf8FromWide(name)) +
         "\"";
}
