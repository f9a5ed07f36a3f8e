// A stand-in for the encoder that the pipeline tests start as a child process. It finds its
// input the way the real one does (the argument after the first -i: "pipe:0" or a file path)
// and behaves as the environment asks:
//   FAKE_ENCODER_MODE     ok (default): read all input, exit 0
//                         fail: read all input, print FAKE_ENCODER_MESSAGE to stderr, exit 1
//                         fail-named: as fail when the input is a file, else as ok
//                         early: read one byte, exit with FAKE_ENCODER_EXIT (default 0)
//                         hang: never open or read the input
//                         hang-after: read all input, then never end
//                         spew: write FAKE_ENCODER_SPEW bytes of 'x' to stderr, read, exit 1
//   FAKE_ENCODER_LOG      file that gets one line per run: mode, input, bytes read, folder
//                         and whether the logo copy named in the filter was found.
//   FAKE_ENCODER_PAUSE_MS a slow reader: after every read of at most FAKE_ENCODER_CHUNK bytes
//                         (default 4096) it sleeps this long.
//   FAKE_ENCODER_COUNT    file whose text is kept at the bytes read so far, written before
//                         each read, so a test can tell what the reader has taken.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

std::string environment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value ? value : fallback;
}

void hangForever() {
    for (;;)
        pause();
}

// The slow reader's settings; a zero pause reads at full speed.
struct Pace {
    long pauseMs = 0;
    std::size_t chunk = 65536;
    int countFd = -1;

    void beforeRead(long long total) const {
        if (countFd >= 0) {
            // Fixed width, so a reader that meets a half-done write still reads a number
            // between the old count and the new one.
            char text[32];
            const int length = std::snprintf(text, sizeof text, "%020lld\n", total);
            if (pwrite(countFd, text, static_cast<std::size_t>(length), 0) < 0)
                std::perror("count");
        }
        if (pauseMs > 0)
            usleep(static_cast<useconds_t>(pauseMs) * 1000);
    }
};

Pace paceFromEnvironment() {
    Pace pace;
    pace.pauseMs = std::atol(environment("FAKE_ENCODER_PAUSE_MS", "0").c_str());
    if (pace.pauseMs > 0)
        pace.chunk = static_cast<std::size_t>(
            std::max(1L, std::atol(environment("FAKE_ENCODER_CHUNK", "4096").c_str())));
    if (const char* count = std::getenv("FAKE_ENCODER_COUNT"))
        pace.countFd = open(count, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    return pace;
}

long long readAll(int fd, long long limit, const Pace& pace = {}) {
    char buffer[65536];
    long long total = 0;
    while (limit < 0 || total < limit) {
        pace.beforeRead(total);
        const std::size_t most = std::min(sizeof buffer, pace.chunk);
        const std::size_t want =
            limit < 0 ? most : static_cast<std::size_t>(std::min<long long>(most, limit - total));
        const ssize_t got = read(fd, buffer, want);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        total += got;
    }
    return total;
}

// The logo copy named in a "movie='name'" filter, looked up in the current folder.
std::string logoState(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "-vf") != 0)
            continue;
        const std::string filter = argv[i + 1];
        const std::size_t start = filter.find("movie='");
        const std::size_t end = filter.find('\'', start + 7);
        if (start == std::string::npos || end == std::string::npos)
            return "malformed";
        const std::string name = filter.substr(start + 7, end - start - 7);
        return access(name.c_str(), R_OK) == 0 ? "found" : "missing";
    }
    return "none";
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = environment("FAKE_ENCODER_MODE", "ok");
    std::string input;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "-i") == 0) {
            input = argv[i + 1];
            break;
        }
    }
    const bool fromFile = !input.empty() && input != "pipe:0";

    if (mode == "spew") {
        const long long count = std::atoll(environment("FAKE_ENCODER_SPEW", "1000000").c_str());
        std::string block(4096, 'x');
        for (long long done = 0; done < count; done += static_cast<long long>(block.size())) {
            if (write(STDERR_FILENO, block.data(), block.size()) < 0)
                break;
        }
    }
    if (mode == "hang")
        hangForever();

    int fd = STDIN_FILENO;
    if (fromFile) {
        fd = open(input.c_str(), O_RDONLY);
        if (fd < 0) {
            std::fprintf(stderr, "%s: cannot open input\n", input.c_str());
            return 1;
        }
    }
    const long long bytes = readAll(fd, mode == "early" ? 1 : -1, paceFromEnvironment());

    if (const char* log = std::getenv("FAKE_ENCODER_LOG")) {
        char folder[4096] = "";
        if (!getcwd(folder, sizeof folder))
            std::strcpy(folder, "?");
        if (FILE* out = std::fopen(log, "a")) {
            std::fprintf(out, "mode=%s input=%s bytes=%lld cwd=%s logo=%s\n", mode.c_str(),
                         fromFile ? "file" : "stdin", bytes, folder, logoState(argc, argv).c_str());
            std::fclose(out);
        }
    }

    if (mode == "hang-after")
        hangForever();
    if (mode == "early")
        return std::atoi(environment("FAKE_ENCODER_EXIT", "0").c_str());
    if (mode == "spew")
        return 1;
    if (mode == "fail" || (mode == "fail-named" && fromFile)) {
        const std::string message = environment("FAKE_ENCODER_MESSAGE", "");
        std::fputs(message.c_str(), stderr);
        return 1;
    }
    return 0;
}
