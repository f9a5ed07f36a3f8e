#include "services/picture_batch.h"

#include "app/text_conversion.h"
#include "media/header_probe.h"
#include "media/picture_probe.h"
#include "render/image/magick_handles.h"
#include "render/image/thumbnail.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace velomira {

namespace {

// What reading one file gave: accepted with its icon, or the line that refuses it. Reading
// touches nothing but the file, so any thread may do it.
struct PictureCheck {
    bool accepted = false;
    std::string infoLine;
    PictureIcon icon;
    int turnAngle = 0; // the angle the picture was found with (its EXIF orientation)
};

PictureCheck refusal(std::string line) {
    PictureCheck check;
    check.infoLine = std::move(line);
    return check;
}

PictureCheck checkPicture(const std::string& path, int turnAngle, const std::string& vendorHost,
                          bool autoOrient = false) {
    // No file can be read from a path the program refuses everywhere else.
    if (gbkByteLength(path) > static_cast<std::size_t>(maxPathBytes))
        return refusal("图片读取失败:\r\n" + path);
    const PictureFacts picture = probePicture(path);
    if (std::string line = pictureRefusalLine(picture.kind, path); !line.empty())
        return refusal(std::move(line));
    if (autoOrient)
        turnAngle = picture.uprightTurn();
    Blob icon;
    // The failure is not shown: the refusal below names the picture in the list's own words.
    const ThumbnailResult made =
        makeThumbnailIcon(picture, thumbnailSize, thumbnailSize, turnAngle, icon);
    if (made.status == ThumbnailStatus::NotStill)
        return refusal("不支持gif动画图片:\r\n" + path);
    if (made.status != ThumbnailStatus::Made || !icon) {
        // Also when the library gave no reason: a picture that is left out is always named.
        return refusal(thumbnailRefusalText(picture, vendorHost));
    }
    PictureCheck check;
    check.accepted = true;
    check.turnAngle = turnAngle;
    check.icon.assign(icon.bytes(), icon.bytes() + icon.length);
    return check;
}

// The album side of adding: only the calling thread gets here.
ListPicture placePicture(AlbumProject& album, TransitionRandom& random, const std::string& path,
                         int position, bool keepWithoutTransition, PictureCheck check) {
    ListPicture outcome;
    if (!check.accepted) {
        outcome.result.status = AddPictureStatus::Refused;
        outcome.result.infoLine = std::move(check.infoLine);
        return outcome;
    }
    outcome.result.position = insertAlbumItem(album, path, position, keepWithoutTransition, random);
    if (outcome.result.position < 0) {
        outcome.result.status = AddPictureStatus::AlbumFull;
        return outcome;
    }
    outcome.result.status = AddPictureStatus::Added;
    albumItemAt(album, outcome.result.position)->turnAngle = check.turnAngle;
    outcome.icon = std::move(check.icon);
    return outcome;
}

int angleOf(const PictureBatchOptions& options, std::size_t file) {
    return file < options.turnAngles.size() ? options.turnAngles[file] : 0;
}

// A file with a given angle (a project's picture) keeps it.
bool orientsItself(const PictureBatchOptions& options, std::size_t file) {
    return options.adding.autoOrient && file >= options.turnAngles.size();
}

// Threads that read the batch's files ahead of the caller, at most lookAhead files beyond the
// one the caller is taking, and hand the results over in file order. The destructor stops and
// joins them, also when the caller leaves early (album full, a callback that throws).
class ThumbnailPipeline {
  public:
    ThumbnailPipeline(const std::vector<std::string>& paths, const PictureBatchOptions& options,
                      int workers)
        : paths_(paths), options_(options), results_(paths.size()),
          lookAhead_(static_cast<std::size_t>(workers) * 2 + 2) {
        for (int i = 0; i < workers; ++i)
            threads_.emplace_back([this] { work(); });
    }

    ~ThumbnailPipeline() {
        {
            std::lock_guard<std::mutex> hold(lock_);
            stopping_ = true;
        }
        changed_.notify_all();
        for (std::thread& thread : threads_)
            thread.join();
    }

    ThumbnailPipeline(const ThumbnailPipeline&) = delete;
    ThumbnailPipeline& operator=(const ThumbnailPipeline&) = delete;

    // The result of file k, waiting for it; pump runs now and then while waiting.
    PictureCheck take(std::size_t k, const std::function<void()>& pump) {
        std::unique_lock<std::mutex> hold(lock_);
        taking_ = k;
        changed_.notify_all(); // the window moved: workers may claim further files
        while (!results_[k]) {
            if (changed_.wait_for(hold, std::chrono::milliseconds(50)) == std::cv_status::timeout &&
                pump && !results_[k]) {
                hold.unlock();
                pump();
                hold.lock();
            }
        }
        PictureCheck check = std::move(*results_[k]);
        results_[k].reset();
        return check;
    }

  private:
    void work() {
        for (;;) {
            std::size_t file = 0;
            {
                std::unique_lock<std::mutex> hold(lock_);
                changed_.wait(hold, [this] {
                    return stopping_ || next_ >= paths_.size() || next_ < taking_ + lookAhead_;
                });
                if (stopping_ || next_ >= paths_.size())
                    return;
                file = next_++;
            }
            PictureCheck check;
            try {
                check = checkPicture(paths_[file], angleOf(options_, file),
                                     options_.adding.vendorHost, orientsItself(options_, file));
            } catch (...) {
                // Out of memory while copying an icon: the picture is left out, named.
                check = refusal("图片读取失败:\r\n" + paths_[file]);
            }
            {
                std::lock_guard<std::mutex> hold(lock_);
                results_[file] = std::move(check);
            }
            changed_.notify_all();
        }
    }

    const std::vector<std::string>& paths_;
    const PictureBatchOptions& options_;
    std::vector<std::optional<PictureCheck>> results_;
    const std::size_t lookAhead_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::size_t next_ = 0;   // the next file a worker claims
    std::size_t taking_ = 0; // the file the caller takes now
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

int workerCount(const PictureBatchOptions& options, std::size_t files) {
    if (files < 2)
        return 0;
    if (options.workers >= 0)
        return std::min(options.workers, static_cast<int>(files));
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(cores, 1, 4);
}

std::string loadingText(std::size_t k, std::size_t n) {
    return "加载图片: " + std::to_string(k) + " / " + std::to_string(n);
}

} // namespace

AddPictureResult addPicture(AlbumProject& project, const std::string& path, int position,
                            bool keepWithoutTransition, TransitionRandom& random, bool autoOrient) {
    AddPictureResult result;
    if (albumItemCount(project) >= maxPictures) {
        result.status = AddPictureStatus::AlbumFull;
        return result;
    }
    const PictureFacts picture = probePicture(path);
    result.infoLine = pictureRefusalLine(picture.kind, path);
    if (!result.infoLine.empty())
        return result;
    result.position = insertAlbumItem(project, path, position, keepWithoutTransition, random);
    result.status = result.position < 0 ? AddPictureStatus::AlbumFull : AddPictureStatus::Added;
    if (autoOrient && result.position >= 0)
        albumItemAt(project, result.position)->turnAngle = picture.uprightTurn();
    return result;
}

ListPicture addListPicture(AlbumProject& album, TransitionRandom& random, const std::string& path,
                           int position, const PictureAddingSettings& settings, int turnAngle) {
    if (albumItemCount(album) >= maxPictures) {
        ListPicture full;
        full.result.status = AddPictureStatus::AlbumFull;
        return full;
    }
    initImageLibrary();
    return placePicture(
        album, random, path, position, settings.keepWithoutTransition,
        checkPicture(path, turnAngle, settings.vendorHost, settings.autoOrient && turnAngle == 0));
}

RemadeIcon remakeListIcon(const std::string& path, int turnAngle) {
    RemadeIcon remade;
    Blob icon;
    const ThumbnailResult made =
        makeThumbnailIcon(probePicture(path), thumbnailSize, thumbnailSize, turnAngle, icon);
    remade.failure = made.failure;
    if (made.status == ThumbnailStatus::Made && icon)
        remade.icon.assign(icon.bytes(), icon.bytes() + icon.length);
    return remade;
}

PictureBatchResult addPictureBatch(AlbumProject& album, TransitionRandom& random,
                                   const std::vector<std::string>& paths,
                                   const PictureBatchOptions& options,
                                   const PictureBatchCallbacks& callbacks) {
    PictureBatchResult result;
    if (paths.empty())
        return result;
    if (albumItemCount(album) >= maxPictures) {
        result.albumFull = true;
        return result;
    }
    initImageLibrary(); // once, before any worker reads
    const int workers = workerCount(options, paths.size());
    std::optional<ThumbnailPipeline> pipeline;
    if (workers > 0)
        pipeline.emplace(paths, options, workers);

    int position = options.position;
    for (std::size_t k = 0; k < paths.size(); ++k) {
        if (albumItemCount(album) >= maxPictures) {
            result.albumFull = true;
            break;
        }
        if (callbacks.status)
            callbacks.status(loadingText(k + 1, paths.size()));
        PictureCheck check =
            pipeline ? pipeline->take(k, callbacks.pump)
                     : checkPicture(paths[k], angleOf(options, k), options.adding.vendorHost,
                                    orientsItself(options, k));
        ListPicture outcome = placePicture(album, random, paths[k], position,
                                           options.adding.keepWithoutTransition, std::move(check));
        if (outcome.result.status == AddPictureStatus::Added) {
            ++result.added;
            if (position >= 0)
                ++position;
            if (callbacks.added)
                callbacks.added(k, outcome.result.position, outcome.icon);
        } else {
            ++result.refused;
            if (callbacks.refused)
                callbacks.refused(outcome.result.infoLine);
        }
        if (callbacks.pump)
            callbacks.pump();
    }
    return result;
}

} // namespace velomira
