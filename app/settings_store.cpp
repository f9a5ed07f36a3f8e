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

struct SettingRow {
    SettingKey key;
    const char* name;
    uint32_t fallback;      // missing or unreadable
    uint32_t low, high;     // the range a stored value must be in
    uint32_t outOfRange;    // what a value outside the range reads as
    bool storedWhenMissing; // start-up writes the default, so the value exists afterwards
};

constexpr uint32_t kAny = UINT32_MAX;

constexpr SettingRow kSettingRows[] = {
    {SettingKey::VideoBgFillColor, setting::kVideoBgFillColor, 0, 0, kAny, 0, true},
    {SettingKey::Mp4DefaultFileName, setting::kMp4DefaultFileName, 0, 0, kAny, 0, true},
    {SettingKey::ImageLoopPlayAnimation, setting::kImageLoopPlayAnimation,
     kDefaultImageLoopPlayAnimation, 0, 99, kOutOfRangeLoopPlayAnimation, false},
    {SettingKey::ClickCloseButtonStatus, setting::kClickCloseButtonStatus, 0, 0, kAny, 0, true},
    {SettingKey::FrameTransport, setting::kFrameTransport, 1, 0, 1, 0, false},
    {SettingKey::AutoOrient, setting::kAutoOrient, 1, 0, 1, 1, false},
    {SettingKey::NewPictureMotion, setting::kNewPictureMotion, 0, 0, 7, 0, false},
    {SettingKey::NewAlbumFillMode, setting::kNewAlbumFillMode, 0, 0, 3, 0, false},
    {SettingKey::NewAlbumSafeAreas, setting::kNewAlbumSafeAreas, 1, 0, 1, 1, false},
    {SettingKey::MaxVideoMegabytes, setting::kMaxVideoMegabytes, 0, 0, 100000, 0, false},
    {SettingKey::NewAlbumMusicFade, setting::kNewAlbumMusicFade, 1, 0, 1, 1, false},
    {SettingKey::NewAlbumLoudness, setting::kNewAlbumLoudness, 1, 0, 1, 1, false},
};

const SettingRow& rowOf(SettingKey key) {
    for (const SettingRow& row : kSettingRows)
        if (row.key == key)
            return row;
    return kSettingRows[0];
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

    preferences.videoBgFillColor = readSetting<BackgroundFill>(file, SettingKey::VideoBgFillColor);
    preferences.mp4DefaultFileName =
        readSetting<OutputNaming>(file, SettingKey::Mp4DefaultFileName);

    CaptionMargins& margins = preferences.captionMargins;
    margins.centerBottom =
        storedMargin(file, setting::kMarginCenterBottom, kDefaultCenterBottomMargin);
    margins.left = storedMargin(file, setting::kMarginLeft, kDefaultCornerMargin);
    margins.right = storedMargin(file, setting::kMarginRight, kDefaultCornerMargin);
    margins.top = storedMargin(file, setting::kMarginTop, kDefaultCornerMargin);
    margins.bottom = storedMargin(file, setting::kMarginBottom, kDefaultCornerMargin);

    preferences.imageLoopPlayAnimation =
        readSetting<uint32_t>(file, SettingKey::ImageLoopPlayAnimation);
    preferences.clickCloseButtonStatus =
        readSetting<CloseBehaviour>(file, SettingKey::ClickCloseButtonStatus);
    preferences.frameTransport = readSetting<FrameTransport>(file, SettingKey::FrameTransport);
    preferences.autoOrient = readSetting<uint32_t>(file, SettingKey::AutoOrient);
    preferences.newPictureMotion = readSetting<uint32_t>(file, SettingKey::NewPictureMotion);
    preferences.newAlbumFillMode = readSetting<uint32_t>(file, SettingKey::NewAlbumFillMode);
    preferences.newAlbumSafeAreas = readSetting<uint32_t>(file, SettingKey::NewAlbumSafeAreas);
    preferences.maxVideoMegabytes = readSetting<uint32_t>(file, SettingKey::MaxVideoMegabytes);
    preferences.newAlbumMusicFade = readSetting<uint32_t>(file, SettingKey::NewAlbumMusicFade);
    preferences.newAlbumLoudness = readSetting<uint32_t>(file, SettingKey::NewAlbumLoudness);
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

const char* settingName(SettingKey key) {
    return rowOf(key).name;
}

uint32_t readSettingNumber(const RegistryFile& file, SettingKey key) {
    const SettingRow& row = rowOf(key);
    uint32_t value = 0;
    if (!readRegistryNumber(file, row.name, value)) {
        if (row.storedWhenMissing)
            writeRegistryNumber(file, row.name, row.fallback);
        return row.fallback;
    }
    return value >= row.low && value <= row.high ? value : row.outOfRange;
}

int writeSettingNumber(const RegistryFile& file, SettingKey key, uint32_t value) {
    return writeRegistryNumber(file, rowOf(key).name, value);
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
