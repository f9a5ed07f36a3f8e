#include "platform/crash_handler.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <ctime>
#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

namespace velomira {

namespace {

constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

constexpr char kNotice[] = "Velomira 已停止工作。\n\n出现了一个问题，导致软件停止工作。"
                           "请进入软件官网联系客服。\n";

// Prepared at install time, only read by the handler.
char gLogPath[PATH_MAX];
std::atomic<long> gUtcOffsetSeconds{0};
std::atomic_flag gReporting = ATOMIC_FLAG_INIT;

// A stack of its own, so that a stack overflow can still be reported.
alignas(16) unsigned char gAlternateStack[64 * 1024];

// Appends text to a fixed buffer, never past its end; the buffer stays NUL-terminated.
struct Writer {
    char* out;
    std::size_t capacity;
    std::size_t length = 0;

    void put(char c) {
        if (length + 1 < capacity)
            out[length++] = c;
        if (capacity > 0)
            out[length] = '\0';
    }
    void text(const char* s) {
        while (*s)
            put(*s++);
    }
    void number(long value, int width) {
        char digits[24];
        int count = 0;
        unsigned long magnitude =
            value < 0 ? 0ul - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
        do {
            digits[count++] = char('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude > 0 && count < 24);
        if (value < 0)
            put('-');
        for (int pad = count; pad < width; ++pad)
            put('0');
        while (count > 0)
            put(digits[--count]);
    }
    void hex(std::uintptr_t value, int width, bool upper) {
        const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
        char reversed[2 * sizeof value];
        int count = 0;
        do {
            reversed[count++] = digits[value & 15];
            value >>= 4;
        } while (value > 0 && count < int(sizeof reversed));
        for (int pad = count; pad < width; ++pad)
            put('0');
        while (count > 0)
            put(reversed[--count]);
    }
};

// Local date and time from the real-time clock and the offset taken at install time
// (localtime is not safe in a handler). Days to civil date after H. Hinnant's algorithm.
void writeTimeStamp(Writer& writer) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    long long seconds = static_cast<long long>(now.tv_sec) + gUtcOffsetSeconds.load();
    long long days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    long long secondOfDay = seconds - days * 86400;
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long monthIndex = (5 * dayOfYear + 2) / 153;
    const long long day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    const long long month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    const long long year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    writer.number(long(year), 4);
    writer.put('-');
    writer.number(long(month), 2);
    writer.put('-');
    writer.number(long(day), 2);
    writer.put(' ');
    writer.number(long(secondOfDay / 3600), 2);
    writer.put(':');
    writer.number(long(secondOfDay / 60 % 60), 2);
    writer.put(':');
    writer.number(long(secondOfDay % 60), 2);
}

void writeAll(int fd, const char* bytes, std::size_t length) {
    while (length > 0) {
        ssize_t written = ::write(fd, bytes, length);
        if (written <= 0)
            return;
        bytes += written;
        length -= static_cast<std::size_t>(written);
    }
}

void onCrash(int signal, siginfo_t* info, void*) {
    const int savedErrno = errno;
    if (!gReporting.test_and_set()) {
        // The address is meaningful only for faults the kernel reports; for a raised signal
        // the same field holds the sender's process id.
        const void* address = info && info->si_code > 0 ? info->si_addr : nullptr;
        char line[256];
        Writer writer{line, sizeof line};
        writeTimeStamp(writer);
        writer.text(" AppCrash: ");
        writer.length += formatCrashText(line + writer.length, sizeof line - writer.length,
                                         static_cast<unsigned long>(signal), address);
        writer.put('\n');
        if (gLogPath[0] != '\0') {
            int fd = ::open(gLogPath, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
            if (fd >= 0) {
                writeAll(fd, line, writer.length);
                ::close(fd);
            }
        }
        writeAll(STDERR_FILENO, kNotice, sizeof kNotice - 1);
    }
    // Die by the same signal: with the default action restored, a raised signal is delivered
    // when this handler returns, and a fault repeats at the faulting instruction.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    raise(signal);
    errno = savedErrno;
}

} // namespace

std::size_t formatCrashText(char* out, std::size_t capacity, unsigned long code,
                            const void* address) {
    if (!out || capacity == 0)
        return 0;
    Writer writer{out, capacity};
    out[0] = '\0';
    writer.text("exceptionCode:0x");
    writer.hex(code, 1, false);
    writer.text(", EIP=0x");
    writer.hex(reinterpret_cast<std::uintptr_t>(address), int(2 * sizeof(void*)), true);
    return writer.length;
}

bool installCrashHandler(const std::filesystem::path& errorLogFile) {
    const std::string& path = errorLogFile.native();
    if (path.size() >= sizeof gLogPath)
        return false;
    // Only the first crash reads the path, and nothing writes it while handlers run.
    for (std::size_t i = 0; i < path.size(); ++i)
        gLogPath[i] = path[i];
    gLogPath[path.size()] = '\0';

    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local))
        gUtcOffsetSeconds.store(local.tm_gmtoff);

    stack_t alternate{};
    alternate.ss_sp = gAlternateStack;
    alternate.ss_size = sizeof gAlternateStack;
    sigaltstack(&alternate, nullptr); // this thread only; a failure leaves the normal stack

    struct sigaction action {};
    action.sa_sigaction = onCrash;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signal : kCrashSignals)
        sigaddset(&action.sa_mask, signal);
    bool installed = true;
    for (int signal : kCrashSignals)
        installed = sigaction(signal, &action, nullptr) == 0 && installed;
    return installed;
}

} // namespace velomira
