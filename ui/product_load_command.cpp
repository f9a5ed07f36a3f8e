#include "ui/product_load_command.h"

#include "app/string_utils.h"
#include "platform/dialogs.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace velomira {

struct ProductLoadCommand::Run {
    Run(ProductLoadCallbacks callbacks, ProductLoadSettings settings, ProductLoadRequest request)
        : callbacks(std::move(callbacks)), settings(std::move(settings)),
          request(std::move(request)), client{this->settings.client, {}},
          random(this->settings.seed != 0
                     ? this->settings.seed
                     : static_cast<std::uint32_t>(
                           std::chrono::steady_clock::now().time_since_epoch().count())) {}

    const ProductLoadCallbacks callbacks;
    const ProductLoadSettings settings;
    const ProductLoadRequest request;

    // Worker only.
    HttpClient client;
    TransitionRandom random;
    int handedOver = 0;

    // Set by the window thread, read by the worker.
    std::atomic<bool> stop{false};
    std::atomic<bool> albumFullSeen{false};

    // Window thread only.
    bool running = true;
    bool fullReported = false;
    int added = 0;

    // Guards posting against shutdown, and the worker's end.
    std::mutex lock;
    std::atomic<bool> closed{false};
    bool workerDone = false;
    std::condition_variable workerEnded;
    std::thread thread;
};

namespace {

const char* const kCancelLoadQuestion = "正在加载宝贝的图片，是否取消加载？";

template <typename RunT, typename Fn> void postToWindow(const std::shared_ptr<RunT>& run, Fn fn) {
    std::lock_guard<std::mutex> guard(run->lock);
    if (run->closed)
        return;
    run->callbacks.post([run, fn = std::move(fn)]() mutable {
        if (!run->closed)
            fn(*run);
    });
}

template <typename RunT> void showWindowFailure(RunT& run, const Failure& failure) {
    if (failure.text == albumFullFailure().text) {
        // The worker and the window may both find the album full: one message is enough.
        if (run.fullReported)
            return;
        run.fullReported = true;
    }
    if (run.callbacks.showFailure)
        run.callbacks.showFailure(failure);
    else
        showFailure(failure);
}

template <typename RunT> void work(const std::shared_ptr<RunT>& run) {
    ProductFetchContext context{
        run->client, run->settings.config, {}, run->settings.tempPictureFolder, {}, {}, {}, {}, {},
        {}};
    context.drawNumber = [run](int low, int high) { return run->random.draw(low, high); };
    context.showStatus = [run](const std::string& text) {
        postToWindow(run, [text](RunT& r) {
            if (r.callbacks.showStatus)
                r.callbacks.showStatus(text);
        });
    };
    context.appendInfo = [run](const std::string& text) {
        postToWindow(run, [text](RunT& r) {
            if (r.callbacks.appendInfo)
                r.callbacks.appendInfo(text);
        });
    };
    context.failed = [run](const Failure& failure) {
        postToWindow(run, [failure](RunT& r) { showWindowFailure(r, failure); });
    };
    // The worker cannot read the album; it counts what it handed over against the room there
    // was at the start, and the window tells it when a picture did not fit after all.
    context.albumFull = [run] { return run->handedOver >= run->settings.roomInAlbum; };
    context.stopped = [run] { return run->stop || run->albumFullSeen; };
    context.takePicture = [run](const std::string& path) {
        ++run->handedOver;
        postToWindow(run, [path](RunT& r) {
            if (r.albumFullSeen || !r.callbacks.addPicture)
                return;
            PictureTaken taken = r.callbacks.addPicture(path);
            if (taken == PictureTaken::Added) {
                ++r.added;
            } else if (taken == PictureTaken::AlbumFull) {
                r.albumFullSeen = true;
                showWindowFailure(r, albumFullFailure());
            }
        });
        return PictureTaken::Added;
    };

    importShopItem(context, run->request);

    postToWindow(run, [](RunT& r) {
        if (r.thread.joinable())
            r.thread.join();
        r.running = false;
        if (r.callbacks.finished)
            r.callbacks.finished(r.added);
    });
    std::lock_guard<std::mutex> guard(run->lock);
    run->workerDone = true;
    run->workerEnded.notify_all();
}

} // namespace

ProductLoadCommand::ProductLoadCommand(ProductLoadCallbacks callbacks)
    : callbacks_(std::move(callbacks)) {}

ProductLoadCommand::~ProductLoadCommand() {
    shutdown();
}

bool ProductLoadCommand::running() const {
    return run_ && run_->running;
}

bool ProductLoadCommand::start(const ProductLoadSettings& settings,
                               const ProductLoadRequest& request) {
    if (closed_ || running() || !callbacks_.post || trimmed(request.address).empty())
        return false;
    run_ = std::make_shared<Run>(callbacks_, settings, request);
    std::shared_ptr<Run> run = run_;
    run->thread = std::thread([run] { work(run); });
    return true;
}

void ProductLoadCommand::cancel() {
    if (running())
        run_->stop = true;
}

void ProductLoadCommand::shutdown(std::chrono::milliseconds grace) {
    closed_ = true;
    if (!run_)
        return;
    std::shared_ptr<Run> run = std::move(run_);
    std::unique_lock<std::mutex> guard(run->lock);
    run->closed = true;
    run->stop = true;
    run->workerEnded.wait_for(guard, grace, [&] { return run->workerDone; });
    bool done = run->workerDone;
    guard.unlock();
    if (!run->thread.joinable())
        return;
    // A worker blocked in a request ends on its own time-out; it keeps its state alive.
    if (done)
        run->thread.join();
    else
        run->thread.detach();
}

bool loadProductCommand(ProductDialogHost& host, ProductLoadCommand& command,
                        const ProductLoadSettings& settings) {
    if (command.running()) {
        if (ask(kCancelLoadQuestion, "询问", false, Answer::No) == Answer::Yes)
            command.cancel();
        return false;
    }
    std::optional<ProductLoadRequest> request = host.askProductRequest(settings.config);
    return request && command.start(settings, *request);
}

} // namespace velomira
