// How the service's own messages read, on its standard error: where cron
// sends them (and mails them), or the terminal of whoever ran it.
#ifndef SERVICE_SERVICE_MESSAGES_H_
#define SERVICE_SERVICE_MESSAGES_H_

#include <string>

// Every message begins so.
constexpr char kMessagePrefix[] = "jobwarden-service: ";

// The message for a name that no stored task has, the name made visible
// (visible_text.h), without its line end.
std::string NoTaskNamedMessage(const std::wstring& name);

#endif  // SERVICE_SERVICE_MESSAGES_H_
