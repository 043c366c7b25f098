#include <Foundation/LineEscape.h>
#include <Foundation/NSLog.h>
#include <Foundation/NSString.h>

#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <string>
#include <sys/syscall.h>
#include <sys/time.h>
#include <unistd.h>

void NSLog(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string message = NSFormatV(format, args);
    va_end(args);

    struct timeval now {};
    gettimeofday(&now, nullptr);
    struct tm local {};
    localtime_r(&now.tv_sec, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);

    std::string line =
        NSFormat("%s.%03ld marrowfin[%ld:%ld] ", stamp, static_cast<long>(now.tv_usec / 1000),
                 static_cast<long>(getpid()), static_cast<long>(syscall(SYS_gettid)));
    // A message with a newline or a NUL in it (text from a reply or a file) stays one whole line.
    LineAppendEscaped(line, message);
    line += '\n';
    // One write, so lines from several processes sharing stderr never interleave.
    const char* p = line.data();
    std::size_t left = line.size();
    while (left > 0) {
        ssize_t n = ::write(STDERR_FILENO, p, left);
        if (n <= 0)
            break;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}
