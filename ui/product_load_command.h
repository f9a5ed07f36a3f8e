#pragma once
// Loading a shop item's pictures without freezing the window: the loader runs on a worker
// thread that only downloads into the temporary picture folder; everything the window sees
// (status texts, information reports, messages, the pictures themselves, the end) reaches it
// as functions handed to `post`, which the window runs on its own thread. One run at a time.
//
// Closing the program never waits for a network time-out: shutdown() stops the run and, when
// the worker is still blocked in a request, leaves it behind. The worker owns everything it
// touches through a shared state, and no callback runs once shutdown() has returned.
#include "platform/failure.h"
#include "services/shop_import.h"
#include "ui/product_dialog_form.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace velomira {

struct ProductLoadCallbacks {
    // Queues the function to run on the window thread, never at once; called from the worker.
    // Required.
    std::function<void(std::function<void()>)> post;

    // All of the following run on the window thread.
    std::function<void(const std::string&)> showStatus; // message part of the status bar
    std::function<void(const std::string&)> appendInfo; // information window (append + show)
    // A downloaded picture, in list order: add it to the album and the list. Returns
    // PictureTaken::AlbumFull when it did not fit (the run then ends with the album-full
    // message); a refusal is the callback's to report.
    std::function<PictureTaken(const std::string& path)> addPicture;
    // Warnings and errors; empty: platform/dialogs.
    std::function<void(const Failure&)> showFailure;
    // The run is over (also after a failure): refresh the list's totals, restore the cursor.
    std::function<void(int picturesAdded)> finished;
};

struct ProductLoadSettings {
    NetConfig config;
    HttpClientConfig client; // httpClientConfigFor(config) in the program
    std::filesystem::path tempPictureFolder;
    int roomInAlbum = 0;    // maxPictures minus the album's pictures now
    std::uint32_t seed = 0; // file name draws; 0 takes the clock
};

class ProductLoadCommand {
  public:
    explicit ProductLoadCommand(ProductLoadCallbacks callbacks);
    ~ProductLoadCommand(); // shutdown()
    ProductLoadCommand(const ProductLoadCommand&) = delete;
    ProductLoadCommand& operator=(const ProductLoadCommand&) = delete;

    // Starts a run on the window thread. False, and nothing happens, while a run goes on or
    // when the trimmed address is empty.
    bool start(const ProductLoadSettings& settings, const ProductLoadRequest& request);
    // From start() until `finished` ran.
    bool running() const;

    // The user cancels: the run ends at the worker's next check (a download within a fraction
    // of a second), pictures already added stay, and `finished` runs as after any run.
    void cancel();

    // The program closes: ends the run, waits at most `grace` for the worker, then leaves it
    // to end by itself. Nothing is posted or called back afterwards; start() refuses.
    void shutdown(std::chrono::milliseconds grace = std::chrono::milliseconds(300));

  private:
    struct Run;
    ProductLoadCallbacks callbacks_;
    std::shared_ptr<Run> run_;
    bool closed_ = false;
};

// Command 35101 "加载宝贝": asks for the address through the host, then starts the run. While a
// run goes on, the dialog is not shown; the user is asked whether to cancel that run instead.
// Returns whether a run started.
bool loadProductCommand(ProductDialogHost& host, ProductLoadCommand& command,
                        const ProductLoadSettings& settings);

} // namespace velomira
