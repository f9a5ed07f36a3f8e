// velomira-memory: the window program driven through a preview and three generations of the
// project it opens, printing its resident memory before, after each step, and at its peak.
// Dialogs are answered as a user would: the video goes to the file named by --out, the offer
// to play it is declined. Run it on the offscreen platform (bench/run_memory.sh).
//   velomira-memory --out VIDEO.mp4 PROJECT.dat
#include "platform/dialogs.h"
#include "ui/qt/window_program.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace velomira;
using namespace velomira::qt;

namespace {

// A field of /proc/self/status in kB ("VmRSS", "VmHWM").
long statusKb(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0)
            return std::stol(line.substr(field.size() + 1));
    }
    return -1;
}

class AnsweringHost final : public DialogHost {
  public:
    explicit AnsweringHost(std::string output) : output_(std::move(output)) {}
    void showMessage(const std::string& text, const std::string& title, MessageKind) override {
        std::fprintf(stderr, "[%s] %s\n", title.c_str(), text.c_str());
    }
    Answer ask(const std::string&, const std::string&, bool, Answer) override { return Answer::No; }
    std::optional<std::string> askSaveFile(const FileDialogRequest&) override { return output_; }

  private:
    std::string output_;
};

// Calls next once done() holds, looking every 100 ms.
void whenDone(QObject* owner, std::function<bool()> done, std::function<void()> next) {
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, owner, [timer, done, next] {
        if (!done())
            return;
        timer->stop();
        timer->deleteLater();
        next();
    });
    timer->start(100);
}

// The mappings that hold the most resident memory, so what is left can be told apart: heap,
// thread arenas (anonymous), libraries.
void largestMappings() {
    std::ifstream smaps("/proc/self/smaps");
    std::vector<std::pair<long, std::string>> found;
    std::string line, name;
    while (std::getline(smaps, line)) {
        if (line.find('-') < line.find(' ') && line.find(':') > line.find(' ')) {
            const std::size_t path = line.find_first_of("/[", 20);
            name = path == std::string::npos ? "[anonymous]" : line.substr(path);
        } else if (line.rfind("Rss:", 0) == 0) {
            found.emplace_back(std::stol(line.substr(4)), name);
        }
    }
    std::sort(found.rbegin(), found.rend());
    for (std::size_t i = 0; i < found.size() && i < 8; ++i)
        std::printf("  %7ld kB  %s\n", found[i].first, found[i].second.c_str());
}

void report(const char* step) {
    std::printf("%-22s rss %7ld kB   peak %7ld kB\n", step, statusKb("VmRSS"), statusKb("VmHWM"));
    std::fflush(stdout);
}

struct Driver {
    QtMainWindow& window;
    QtPreviewWindow& preview;
    MainWindow& controller;
    int generations = 0;

    void start() {
        report("opened");
        controller.dispatch(Command::Preview);
        whenDone(
            &window, [this] { return controller.previewState() == PreviewState::Finished; },
            [this] {
                preview.close();
                settle("after preview", [this] { generate(); });
            });
    }
    void generate() {
        controller.dispatch(Command::GenerateVideo);
        whenDone(
            &window, [this] { return !controller.generating(); },
            [this] {
                const std::string step = "after generation " + std::to_string(++generations);
                settle(step, [this] {
                    if (generations < 3) {
                        generate();
                        return;
                    }
                    largestMappings();
                    QCoreApplication::exit(0);
                });
            });
    }
    // The window's posted calls run first; then the figure is taken.
    void settle(std::string step, std::function<void()> next) {
        QTimer::singleShot(1000, &window, [step, next] {
            report(step.c_str());
            next();
        });
    }
};

} // namespace

int main(int argc, char** argv) {
    std::string output;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--out" && i + 1 < argc)
            output = argv[++i];
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    argv[argc] = nullptr;
    if (output.empty()) {
        std::fprintf(stderr, "usage: velomira-memory --out VIDEO.mp4 PROJECT.dat\n");
        return 2;
    }
    AnsweringHost host(output);
    std::unique_ptr<Driver> driver;
    return runWindowProgram(
        argc, argv, [&](QtMainWindow& window, QtPreviewWindow& preview, MainWindow& controller) {
            installDialogHost(&host);
            driver = std::make_unique<Driver>(Driver{window, preview, controller});
            QTimer::singleShot(1500, &window, [&driver] { driver->start(); });
        });
}
