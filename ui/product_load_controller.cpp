#include "ui/product_load_controller.h"

#include "services/picture_batch.h"
#include "ui/info_log.h"

namespace velomira {

ProductLoadController::ProductLoadController(MainWindowView& view, AlbumProject& album,
                                             TransitionRandom& random,
                                             const MainWindowServices& services,
                                             PictureListController& pictures)
    : view_(view), album_(album), random_(random), services_(services), pictures_(pictures) {
    ProductLoadCallbacks callbacks;
    std::weak_ptr<bool> alive = alive_;
    callbacks.post = [&view, alive](std::function<void()> fn) {
        view.postToWindowThread([alive, fn = std::move(fn)] {
            if (alive.lock())
                fn();
        });
    };
    callbacks.showStatus = [this](const std::string& text) { view_.setStatusText(1, text); };
    callbacks.appendInfo = [this](const std::string& text) {
        if (services_.info != nullptr)
            services_.info->append(text);
    };
    callbacks.addPicture = [this](const std::string& path) { return addPicture(path); };
    callbacks.finished = [this](int added) { finished(added); };
    command_ = std::make_unique<ProductLoadCommand>(std::move(callbacks));
}

ProductLoadController::~ProductLoadController() {
    command_->shutdown();
    *alive_ = false;
}

void ProductLoadController::registerCommands(CommandTable& table) {
    table.on(Command::LoadProduct, [this] { load(); });
}

bool ProductLoadController::available() const {
    return services_.productDialog != nullptr && services_.netConfig != nullptr;
}

void ProductLoadController::shutdown() {
    command_->shutdown();
}

PictureTaken ProductLoadController::addPicture(const std::string& path) {
    const ListPicture added = addListPicture(
        album_, random_, path, -1,
        PictureAddingSettings{services_.vendorHost, false, services_.preferences->autoOrient != 0});
    switch (added.result.status) {
    case AddPictureStatus::Added:
        pictures_.insertRow(added.result.position, added.icon);
        return PictureTaken::Added;
    case AddPictureStatus::AlbumFull:
        return PictureTaken::AlbumFull;
    case AddPictureStatus::Refused:
        break;
    }
    if (services_.info != nullptr)
        services_.info->append(added.result.infoLine);
    return PictureTaken::Refused;
}

void ProductLoadController::finished(int added) {
    view_.setWaitCursor(false);
    view_.setStatusText(1, "");
    if (added > 0) {
        if (album_.settings.textWatermark)
            applyCaptionSwitch(album_, true);
        pictures_.refreshAfterAlbumChange(true);
    }
}

void ProductLoadController::load() {
    if (!available())
        return;
    ProductLoadSettings settings;
    settings.config = *services_.netConfig;
    settings.client = httpClientConfigFor(settings.config);
    settings.tempPictureFolder = services_.folders.tempPictureFolder;
    settings.roomInAlbum = maxPictures - albumItemCount(album_);
    if (loadProductCommand(*services_.productDialog, *command_, settings))
        view_.setWaitCursor(true);
}

} // namespace velomira
