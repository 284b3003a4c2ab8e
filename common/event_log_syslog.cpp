// The system log on Linux: syslog's datagram socket, written without ever
// waiting. syslog(3) itself blocks in send() once nobody reads /dev/log and
// its queue is full, and a log must never hold the program up.

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "common/event_log.h"

namespace orventa {

namespace {

constexpr int userNotice = (1 << 3) | 5;  // LOG_USER | LOG_NOTICE

// The socket, connected on first use; -1 until a connect has worked.
int logSocket = -1;

bool connectLog() {
  const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  constexpr char path[] = "/dev/log";
  static_assert(sizeof(path) <= sizeof(address.sun_path));
  std::memcpy(address.sun_path, path, sizeof(path));
  // A stream socket at /dev/log refuses with EPROTOTYPE: no record then,
  // rather than a connection whose backlog could make the program wait.
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    ::close(fd);
    return false;
  }
  logSocket = fd;
  return true;
}

// "<13>Dec 10 17:05:01 DriverAssistant[2817]: " as syslog(3) begins a record,
// the time local and the month's name in English whatever the locale.
std::string recordHead() {
  static constexpr const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  char head[96];
  std::snprintf(head, sizeof(head), "<%d>%s %2d %02d:%02d:%02d DriverAssistant[%d]: ", userNotice,
                months[local.tm_mon % 12], local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                static_cast<int>(::getpid()));
  return head;
}

}  // namespace

void writeSystemLog(LogCategory category, const std::string& line) noexcept {
  try {
    // Without /dev/log each record costs one failed connect and nothing else.
    if (logSocket < 0 && !connectLog()) return;
    std::string record = recordHead();
    record += logCategoryName(category);
    record += ": ";
    record += line;
    // The socket is non-blocking: a record that does not fit into the
    // log's queue at once is dropped. A log daemon that restarted gets one
    // new connection.
    for (int attempt = 0; attempt < 2; ++attempt) {
      if (::send(logSocket, record.data(), record.size(), MSG_NOSIGNAL | MSG_DONTWAIT) >= 0) return;
      if (errno != ECONNREFUSED && errno != ENOTCONN) return;
      ::close(logSocket);
      logSocket = -1;
      if (!connectLog()) return;
    }
  } catch (...) {
    // Out of memory for the record: it is dropped.
  }
}

}  // namespace orventa
