// Stand-in for the Mac's <os/log.h>, for the Mac compile check only: it
// declares just what the assistant calls, written from Apple's public
// documentation of unified logging. Never used to build a real program.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// os_log_t: "Logging > os_log_t", an opaque log object.
typedef struct os_log_s* os_log_t;

// os_log_type_t: "Logging > os_log_type_t", the level of a message.
typedef uint8_t os_log_type_t;
#define OS_LOG_TYPE_DEFAULT ((os_log_type_t)0x00)  // "OS_LOG_TYPE_DEFAULT"
#define OS_LOG_TYPE_INFO ((os_log_type_t)0x01)     // "OS_LOG_TYPE_INFO"
#define OS_LOG_TYPE_DEBUG ((os_log_type_t)0x02)    // "OS_LOG_TYPE_DEBUG"
#define OS_LOG_TYPE_ERROR ((os_log_type_t)0x10)    // "OS_LOG_TYPE_ERROR"
#define OS_LOG_TYPE_FAULT ((os_log_type_t)0x11)    // "OS_LOG_TYPE_FAULT"

// os_log_create: "Logging > os_log_create(_:_:)", macOS 10.12 and later.
os_log_t os_log_create(const char* subsystem, const char* category);

// The function the stand-in macro below hands a formatted buffer to; it
// stands for the Mac's own machinery behind the os_log macros.
void _os_log_impl(void* dso, os_log_t log, os_log_type_t type, const char* format, uint8_t* buffer,
                  uint32_t size);

// os_log_with_type: "Logging > os_log_with_type", a message of a given level.
// Like the real macro, the format must be a string literal: clang's
// os_log builtins reject anything else and check the arguments against
// the format, privacy annotations such as %{public}s included.
#define os_log_with_type(log, type, format, ...)                                                     \
  do {                                                                                               \
    uint8_t _os_log_buffer[__builtin_os_log_format_buffer_size(format, ##__VA_ARGS__)];              \
    _os_log_impl(0, (log), (type), (format),                                                         \
                 (uint8_t*)__builtin_os_log_format(_os_log_buffer, format, ##__VA_ARGS__),           \
                 (uint32_t)sizeof(_os_log_buffer));                                                  \
  } while (0)

#ifdef __cplusplus
}
#endif
