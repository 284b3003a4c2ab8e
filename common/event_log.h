#pragma once
// The run's record for support: one line per event in the system log (on a
// Mac unified logging, elsewhere syslog). Nothing the user sees depends on it.

#include <functional>
#include <string>
#include <string_view>

namespace orventa {

/// Which part of the program an event comes from; on a Mac the category of
/// the record, elsewhere the first word of its line.
enum class LogCategory {
  state,    ///< driver state: the listing and receipt tools, the classified state
  package,  ///< the embedded package: lookup, digest, signature, trust
  flow,     ///< the assistant's dialogs and opening the installer
  app,      ///< start and end of the process
};

/// "state", "package", "flow" or "app".
std::string_view logCategoryName(LogCategory category);

/// Where logic writes its events; an empty function records nothing.
using EventLog = std::function<void(LogCategory category, const std::string& line)>;

/// Hands one line to `log` if there is one. Never throws and never fails
/// visibly: a record that cannot be made or written is dropped, so logging
/// cannot change what the program does.
void logEvent(const EventLog& log, LogCategory category, const std::string& line) noexcept;

/// `text` as one double-quoted token for a record: ill-formed UTF-8 repaired,
/// backslash and double quote escaped with a backslash, line feed, carriage
/// return and tab as \n \r \t, other control characters as \xNN, so a record
/// stays one line. Longer texts keep their first `limit` bytes (on a
/// character boundary) followed by "..." after the closing quote.
std::string quotedForLog(std::string_view text, std::size_t limit = 512);

/// Writes one line to the system log under `category`. On a Mac: os_log,
/// subsystem "com.orventa.DriverAssistant", the category's name as the
/// category, the line public. Elsewhere: a datagram to /dev/log in
/// syslog(3)'s form, ident "DriverAssistant", facility LOG_USER, the process
/// id, "CATEGORY: LINE"; connected lazily, so without a /dev/log each record
/// costs one failed connect and nothing else. Never waits: a record that the
/// log cannot take at once (nobody reads it) is dropped.
/// Never writes to standard output or standard error, starts no process,
/// writes no file, and ignores every failure.
void writeSystemLog(LogCategory category, const std::string& line) noexcept;

}  // namespace orventa
