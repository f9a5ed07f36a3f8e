#pragma once
// Last words of a crashing process: on SIGSEGV, SIGBUS, SIGFPE, SIGILL or SIGABRT a line
// "AppCrash: exceptionCode:0x<signal>, EIP=0x<address>" goes to the error log and a short
// notice to standard error, then the signal is raised again with its default action so the
// process still dies by it (and leaves a core where the system keeps them).
#include <cstddef>
#include <filesystem>

namespace velomira {

// Installs the handlers for the whole process, writing to errorLogFile (opened for appending
// at the moment of the crash). Everything the handler needs is prepared here, so that it uses
// only async-signal-safe calls. False when the path is too long or a handler could not be
// installed. Calling it again changes the log file.
bool installCrashHandler(const std::filesystem::path& errorLogFile);

// The report text "exceptionCode:0x%lx, EIP=0x%p" without allocating: the code in lower-case
// hexadecimal, the address as fixed-width upper-case hexadecimal. Writes at most capacity - 1
// characters and a NUL; returns the length written.
std::size_t formatCrashText(char* out, std::size_t capacity, unsigned long code,
                            const void* address);

} // namespace velomira
