#include "ui/product_load_command.h"

#include "support/http_test_server.h"
#include "support/recording_dialogs.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

namespace velomira {
namespace {

using namespace std::chrono_literals;
using testing::TempFolder;

// The window's event queue: the worker posts, the test thread runs what was posted.
class WindowQueue {
  public:
    void post(std::function<void()> job) {
        std::lock_guard<std::mutex> guard(lock_);
        jobs_.push_back(std::move(job));
        ready_.notify_all();
    }
    // Runs posted jobs on this thread until done() holds; false after the limit.
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 20s) {
        auto end = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            std::unique_lock<std::mutex> guard(lock_);
            if (!ready_.wait_until(guard, end, [&] { return !jobs_.empty(); }))
                return false;
            auto job = std::move(jobs_.front());
            jobs_.pop_front();
            guard.unlock();
            job();
        }
        return true;
    }
    // Runs whatever is queued now.
    void drain() {
        while (true) {
            std::unique_lock<std::mutex> guard(lock_);
            if (jobs_.empty())
                return;
            auto job = std::move(jobs_.front());
            jobs_.pop_front();
            guard.unlock();
            job();
        }
    }

  private:
    std::mutex lock_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> jobs_;
};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class ProductLoadCommandTest : public ::testing::Test {
  protected:
    ProductLoadCommandTest() {
        settings.config.loaderMode = 1; // the direct route reads pasted picture addresses
        settings.client.connectTimeout = 20s;
        settings.client.ioTimeout = 20s; // far beyond anything the tests wait for
        settings.tempPictureFolder = folder.path() / "temp";
        settings.roomInAlbum = 1000;
        settings.seed = 7;

        callbacks.post = [this](std::function<void()> job) { window.post(std::move(job)); };
        callbacks.showStatus = [this](const std::string& text) {
            onWindow();
            statuses.push_back(text);
        };
        callbacks.appendInfo = [this](const std::string& text) {
            onWindow();
            infos.push_back(text);
        };
        callbacks.addPicture = [this](const std::string& path) {
            onWindow();
            pictures.push_back(readFile(path));
            return pictureAnswer(path);
        };
        callbacks.showFailure = [this](const Failure& failure) {
            onWindow();
            messages.push_back(failure.title + ": " + failure.text);
        };
        callbacks.finished = [this](int added) {
            onWindow();
            finishedWith.push_back(added);
        };
    }

    void onWindow() { EXPECT_EQ(std::this_thread::get_id(), windowThread); }

    std::string serve(const std::string& name, const std::string& bytes) {
        std::lock_guard<std::mutex> guard(routesLock);
        routes["/" + name] = test::okReply(bytes);
        return server.url("/" + name);
    }

    test::ScriptedReply answer(const test::ReceivedRequest& request) {
        std::lock_guard<std::mutex> guard(routesLock);
        auto found = routes.find(request.target);
        if (found == routes.end())
            return test::statusReply("HTTP/1.1 404 Not Found");
        return found->second;
    }

    bool runToEnd() {
        return window.runUntil([this] { return !finishedWith.empty(); });
    }

    std::mutex routesLock;
    std::map<std::string, test::ScriptedReply> routes;
    test::HttpTestServer server{[this](const test::ReceivedRequest& r) { return answer(r); }};
    TempFolder folder;
    WindowQueue window;
    std::thread::id windowThread = std::this_thread::get_id();
    ProductLoadSettings settings;
    ProductLoadCallbacks callbacks;
    std::function<PictureTaken(const std::string&)> pictureAnswer = [](const std::string&) {
        return PictureTaken::Added;
    };
    std::vector<std::string> statuses, infos, pictures, messages;
    std::vector<int> finishedWith;
};

TEST_F(ProductLoadCommandTest, PicturesAndReportsReachTheWindowThreadInOrder) {
    std::string a = serve("a.jpg", "first picture");
    std::string missing = server.url("/missing.jpg");
    std::string c = serve("c.jpg", "third picture");
    std::string d = serve("d.jpg", "fourth picture");
    ProductLoadCommand command(callbacks);
    ASSERT_TRUE(command.start(settings, {0, " " + a + ";" + missing + ";" + c + ";" + d + "\n"}));
    EXPECT_TRUE(command.running());
    // One run at a time.
    EXPECT_FALSE(command.start(settings, {0, a}));
    ASSERT_TRUE(runToEnd());
    EXPECT_FALSE(command.running());

    EXPECT_EQ(pictures,
              (std::vector<std::string>{"first picture", "third picture", "fourth picture"}));
    EXPECT_EQ(statuses, (std::vector<std::string>{progressText(1, 4), progressText(3, 4),
                                                  progressText(4, 4)}));
    ASSERT_EQ(infos.size(), 1u);
    EXPECT_EQ(infos[0], "下载宝贝图片失败:\r\n" + missing +
                            "\r\n返回的错误信息:\r\n404 Not Found - 文件不存在\r\n");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(finishedWith, std::vector<int>{3});

    // The next run may start once the last one has finished; a bad item address is refused
    // by the loader through the window thread.
    ASSERT_TRUE(command.start(settings, {0, "https://item.example.com/item.htm?id=12ab"}));
    ASSERT_TRUE(window.runUntil([this] { return finishedWith.size() == 2; }));
    EXPECT_EQ(messages, std::vector<std::string>{"提示: 输入的宝贝地址不符合规范！"});
    EXPECT_EQ(finishedWith.back(), 0);
    // Nothing to load: no run at all.
    EXPECT_FALSE(command.start(settings, {0, " \r\n "}));
}

TEST_F(ProductLoadCommandTest, VendorRouteShowsTheListStatusBeforeTheDownloads) {
    settings.config.loaderMode = 0;
    settings.config.vendorHost = "127.0.0.1:" + std::to_string(server.port());
    std::string a = serve("a.jpg", "A");
    std::string b = serve("b.jpg", "B");
    const std::string address = "https://item.example.com/item.htm?id=1";
    std::string listTarget = vendorRequestUrl(settings.config, address, 2);
    listTarget = listTarget.substr(listTarget.find('/', 7));
    {
        std::lock_guard<std::mutex> guard(routesLock);
        routes[listTarget] = test::okReply(a + "\n" + b + "\n\n");
    }
    ProductLoadCommand command(callbacks);
    ASSERT_TRUE(command.start(settings, {2, address}));
    ASSERT_TRUE(runToEnd());
    EXPECT_EQ(statuses, (std::vector<std::string>{"获取宝贝图片列表...", progressText(1, 2),
                                                  progressText(2, 2)}));
    EXPECT_EQ(pictures, (std::vector<std::string>{"A", "B"}));
}

TEST_F(ProductLoadCommandTest, AlbumFullEndsTheRunWithOneMessage) {
    std::string a = serve("a.jpg", "A");
    std::string b = serve("b.jpg", "B");
    std::string c = serve("c.jpg", "C");
    const std::string list = a + ";" + b + ";" + c;

    // Room for two at the start: the third is never downloaded.
    settings.roomInAlbum = 2;
    {
        ProductLoadCommand command(callbacks);
        ASSERT_TRUE(command.start(settings, {0, list}));
        ASSERT_TRUE(runToEnd());
    }
    EXPECT_EQ(pictures, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(messages, std::vector<std::string>{"提示: 最多可以添加 1000 张图片"});
    EXPECT_EQ(finishedWith, std::vector<int>{2});
    EXPECT_EQ(server.requests().size(), 2u);

    // The album filled up meanwhile: the window says so and the run stops there.
    pictures.clear();
    messages.clear();
    finishedWith.clear();
    settings.roomInAlbum = 1000;
    pictureAnswer = [](const std::string&) { return PictureTaken::AlbumFull; };
    {
        ProductLoadCommand command(callbacks);
        ASSERT_TRUE(command.start(settings, {0, list}));
        ASSERT_TRUE(runToEnd());
    }
    EXPECT_EQ(pictures.size(), 1u);
    EXPECT_EQ(messages, std::vector<std::string>{"提示: 最多可以添加 1000 张图片"});
    EXPECT_EQ(finishedWith, std::vector<int>{0});
}

TEST_F(ProductLoadCommandTest, ClosingDuringASilentServerNeverWaitsForTheTimeOut) {
    std::string a = serve("a.jpg", "A");
    {
        std::lock_guard<std::mutex> guard(routesLock);
        test::ScriptedReply silent;
        silent.neverAnswer = true;
        routes["/silent.jpg"] = silent;
    }
    ProductLoadCommand command(callbacks);
    ASSERT_TRUE(command.start(settings, {0, a + ";" + server.url("/silent.jpg")}));
    // The window goes on while the worker waits: the first picture arrives.
    ASSERT_TRUE(window.runUntil([this] { return pictures.size() == 1; }));
    auto until = std::chrono::steady_clock::now() + 10s;
    while (server.requests().size() < 2 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(10ms);
    ASSERT_EQ(server.requests().size(), 2u);

    auto before = std::chrono::steady_clock::now();
    command.shutdown(100ms);
    auto took = std::chrono::steady_clock::now() - before;
    // The client would wait 20 s (twice, with its retry); closing takes the grace alone.
    EXPECT_LT(took, 5s);
    EXPECT_FALSE(command.start(settings, {0, a}));
    // Nothing queued before the close reaches the window afterwards.
    window.drain();
    EXPECT_TRUE(finishedWith.empty());
    EXPECT_EQ(statuses.size(), 1u);
}

class ScriptedProductDialog final : public ProductDialogHost {
  public:
    std::optional<ProductLoadRequest> answer;
    int asked = 0;
    std::optional<ProductLoadRequest> askProductRequest(const NetConfig&) override {
        ++asked;
        return answer;
    }
};

TEST_F(ProductLoadCommandTest, TheCommandAsksFirstAndNotAgainWhileARunGoesOn) {
    testing::RecordingDialogs dialogs; // answers the cancel question with its default, no
    std::string a = serve("a.jpg", "A");
    ProductLoadCommand command(callbacks);
    ScriptedProductDialog dialog;
    EXPECT_FALSE(loadProductCommand(dialog, command, settings)); // cancelled
    EXPECT_EQ(dialog.asked, 1);
    dialog.answer = ProductLoadRequest{0, a};
    EXPECT_TRUE(loadProductCommand(dialog, command, settings));
    EXPECT_FALSE(loadProductCommand(dialog, command, settings));
    EXPECT_EQ(dialog.asked, 2);
    ASSERT_TRUE(runToEnd());
    EXPECT_EQ(pictures, std::vector<std::string>{"A"});
}

TEST_F(ProductLoadCommandTest, CancellingDuringASilentServerEndsTheRunAndKeepsWhatArrived) {
    testing::RecordingDialogs dialogs;
    std::string a = serve("a.jpg", "A");
    {
        std::lock_guard<std::mutex> guard(routesLock);
        test::ScriptedReply silent;
        silent.neverAnswer = true;
        routes["/silent.jpg"] = silent;
    }
    ProductLoadCommand command(callbacks);
    ScriptedProductDialog dialog;
    dialog.answer = ProductLoadRequest{0, a + ";" + server.url("/silent.jpg") + ";" + a};
    ASSERT_TRUE(loadProductCommand(dialog, command, settings));
    ASSERT_TRUE(window.runUntil([this] { return pictures.size() == 1; }));

    // The command chosen again while the run waits asks whether to cancel it; yes ends it
    // long before the client's 20 s time-out, and the third address is never asked for.
    dialogs.scriptAnswer(Answer::Yes);
    auto before = std::chrono::steady_clock::now();
    EXPECT_FALSE(loadProductCommand(dialog, command, settings));
    ASSERT_TRUE(runToEnd());
    EXPECT_LT(std::chrono::steady_clock::now() - before, 10s);
    EXPECT_EQ(dialog.asked, 1);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].kind, MessageKind::Question);
    EXPECT_EQ(finishedWith, std::vector<int>{1});
    EXPECT_EQ(pictures, std::vector<std::string>{"A"});
    EXPECT_FALSE(command.running());
}

} // namespace
} // namespace velomira
