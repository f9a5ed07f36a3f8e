#include "app/settings_store.h"

#include "app/text_conversion.h"

#include <system_error>

namespace velomira {

namespace fs = std::filesystem;

namespace {

// Stored texts are UTF-8, while the folder limit counts GBK bytes; one GBK byte can take up
// to three UTF-8 bytes, so the raw read allows that much and the GBK length is checked after.
constexpr size_t kFolderReadBufferSize = 3 * kMaxPathBytes + 1;

bool isUsableFolder(const std::string& folder) {
    std::error_code ec;
    fs::path path(folder);
    return path.is_absolute() && gbkByteLength(folder) <= static_cast<size_t>(kMaxPathBytes) &&
           fs::is_directory(path, ec);
}

// A stored folder that still exists, else the fallback.
std::string storedFolderOr(const RegistryFile& file, const char* name, const fs::path& fallback) {
    std::string stored;
    if (readRegistryText(file, name, stored, kFolderReadBufferSize) && isUsableFolder(stored))
        return stored;
    return fallback.string();
}

// As storedFolderOr, for a default folder that is created when it is the one used.
std::string storedFolderOrCreated(const RegistryFile& file, const char* name,
                                  const fs::path& fallback) {
    std::string folder = storedFolderOr(file, name, fallback);
    if (folder == fallback.string()) {
        std::error_code ec;
        fs::create_directories(fallback, ec);
    }
    return folder;
}

// A switch value that must exist after start-up: missing or unreadable becomes 0, stored.
uint32_t switchValue(const RegistryFile& file, const char* name) {
    uint32_t value = 0;
    if (readRegistryNumber(file, name, value))
        return value;
    writeRegistryNumber(file, name, 0);
    return 0;
}

float storedMargin(const RegistryFile& file, const char* name, float defaultFraction) {
    uint32_t stored = 0;
    if (!readRegistryNumber(file, name, stored))
        return defaultFraction;
    return marginFromStored(stored, defaultFraction);
}

const char* marginName(CaptionMarginId which) {
    switch (which) {
    case CaptionMarginId::CenterBottom:
        return setting::kMarginCenterBottom;
    case CaptionMarginId::Left:
        return setting::kMarginLeft;
    case CaptionMarginId::Right:
        return setting::kMarginRight;
    case CaptionMarginId::Top:
        return setting::kMarginTop;
    case CaptionMarginId::Bottom:
        return setting::kMarginBottom;
    }
    return setting::kMarginCenterBottom;
}

} // namespace

Preferences readPreferences(const RegistryFile& file, const StoreFolders& folders) {
    Preferences preferences;
    RememberedFolders& remembered = preferences.folders;
    remembered.image = storedFolderOr(file, setting::kChooseImageFolder, folders.desktopFolder);
    // Music always starts in the stock music folder; the stored value is only ever written.
    remembered.mp3 = (folders.workFolder / "mp3").string();
    remembered.project = storedFolderOrCreated(
        file, setting::kSaveProjectFolder,
        folders.projectFolder.empty() ? folders.workFolder / "我的项目" : folders.projectFolder);
    remembered.video = storedFolderOrCreated(
        file, setting::kSaveVideoFolder,
        folders.videoFolder.empty() ? folders.workFolder / "我的视频" : folders.videoFolder);
    remembered.logo = storedFolderOr(file, setting::kChooseLogoFolder, folders.desktopFolder);
    remembered.import = storedFolderOr(file, setting::kImportFileFolder, folders.desktopFolder);

    preferences.videoBgFillColor =
        static_cast<BackgroundFill>(switchValue(file, setting::kVideoBgFillColor));
    preferences.mp4DefaultFileName =
        static_cast<OutputNaming>(switchValue(file, setting::kMp4DefaultFileName));

    CaptionMargins& margins = preferences.captionMargins;
    margins.centerBottom =
        storedMargin(file, setting::kMarginCenterBottom, kDefaultCenterBottomMargin);
    margins.left = storedMargin(file, setting::kMarginLeft, kDefaultCornerMargin);
    margins.right = storedMargin(file, setting::kMarginRight, kDefaultCornerMargin);
    margins.top = storedMargin(file, setting::kMarginTop, kDefaultCornerMargin);
    margins.bottom = storedMargin(file, setting::kMarginBottom, kDefaultCornerMargin);

    uint32_t loopPlay = kDefaultImageLoopPlayAnimation;
    if (readRegistryNumber(file, setting::kImageLoopPlayAnimation, loopPlay) && loopPlay > 99)
        loopPlay = kOutOfRangeLoopPlayAnimation;
    preferences.imageLoopPlayAnimation = loopPlay;

    preferences.clickCloseButtonStatus =
        static_cast<CloseBehaviour>(switchValue(file, setting::kClickCloseButtonStatus));

    uint32_t transport = 0;
    if (readRegistryNumber(file, setting::kFrameTransport, transport) &&
        transport == storedValue(FrameTransport::RawPixels))
        preferences.frameTransport = FrameTransport::RawPixels;
    uint32_t autoOrient = 1;
    if (readRegistryNumber(file, setting::kAutoOrient, autoOrient) && autoOrient == 0)
        preferences.autoOrient = 0;
    uint32_t motion = 0;
    if (readRegistryNumber(file, setting::kNewPictureMotion, motion) && motion <= 7)
        preferences.newPictureMotion = motion;
    return preferences;
}

int writeRememberedFolders(const RegistryFile& file, const RememberedFolders& folders) {
    const std::pair<const char*, const std::string*> order[] = {
        {setting::kChooseImageFolder, &folders.image},
        {setting::kChooseMp3Folder, &folders.mp3},
        {setting::kSaveProjectFolder, &folders.project},
        {setting::kSaveVideoFolder, &folders.video},
        {setting::kChooseLogoFolder, &folders.logo},
        {setting::kImportFileFolder, &folders.import},
    };
    int allWritten = 1;
    for (const auto& [name, folder] : order)
        allWritten &= writeRegistryText(file, name, *folder);
    return allWritten;
}

void rememberFolderOf(std::string& folderBuffer, const std::string& chosenPath) {
    size_t slash = chosenPath.find_last_of('/');
    if (slash == std::string::npos)
        return;
    // Collapse a run of slashes before the file name ("/a//b" remembers "/a").
    size_t end = chosenPath.find_last_not_of('/', slash);
    folderBuffer = end == std::string::npos ? "/" : chosenPath.substr(0, end + 1);
}

int writeVideoBgFillColor(const RegistryFile& file, uint32_t value) {
    return writeRegistryNumber(file, setting::kVideoBgFillColor, value);
}

int writeMp4DefaultFileName(const RegistryFile& file, uint32_t value) {
    return writeRegistryNumber(file, setting::kMp4DefaultFileName, value);
}

int writeImageLoopPlayAnimation(const RegistryFile& file, uint32_t value) {
    return writeRegistryNumber(file, setting::kImageLoopPlayAnimation, value);
}

int writeClickCloseButtonStatus(const RegistryFile& file, uint32_t value) {
    return writeRegistryNumber(file, setting::kClickCloseButtonStatus, value);
}

int writeFrameTransport(const RegistryFile& file, uint32_t value) {
    return writeRegistryNumber(file, setting::kFrameTransport, value);
}

int writeAutoOrient(const RegistryFile& file, uint32_t value) {
    return writeRegistryNumber(file, setting::kAutoOrient, value);
}

int writeNewPictureMotion(const RegistryFile& file, uint32_t value) {
    return writeRegistryNumber(file, setting::kNewPictureMotion, value);
}

int writeCaptionMargin(const RegistryFile& file, CaptionMarginId which, float fraction) {
    return writeRegistryNumber(file, marginName(which), marginToStored(fraction));
}

int writeCaptionMargins(const RegistryFile& file, const CaptionMargins& margins) {
    int allWritten = writeCaptionMargin(file, CaptionMarginId::CenterBottom, margins.centerBottom);
    allWritten &= writeCaptionMargin(file, CaptionMarginId::Left, margins.left);
    allWritten &= writeCaptionMargin(file, CaptionMarginId::Right, margins.right);
    allWritten &= writeCaptionMargin(file, CaptionMarginId::Top, margins.top);
    allWritten &= writeCaptionMargin(file, CaptionMarginId::Bottom, margins.bottom);
    return allWritten;
}

} // namespace velomira
