#include "app/startup.h"

#include "app/running_copies.h"

#include "platform/paths.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace velomira {

namespace fs = std::filesystem;

namespace {

constexpr const char* kArchiveText =
    "请先对软件压缩包进行解压缩后再启动软件。\n\n点击[确定]按钮，查看正确的解压缩方式。";
constexpr const char* kMissingEncoderText =
    "找不到 ffmpeg.exe 文件，可能是没有对下载的软件压缩包进行正确的解压缩。\n\n"
    "点击[确定]按钮，查看正确的解压缩方式。";
constexpr const char* kRefusalTitle = "提示";

constexpr std::size_t kMaxTempPathBytes = 260;

StartupRefusal unpackRefusal(const char* text) {
    StartupRefusal refusal;
    refusal.text = text;
    refusal.title = kRefusalTitle;
    refusal.kind = MessageKind::Error;
    refusal.helpPage = kUnpackHelpPage;
    refusal.exitCode = -1;
    return refusal;
}

void createFolder(const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
}

// The shared temporary folder is used only when this user made it: another user could have
// put a folder or a link there in advance, and the folder is emptied at exit.
bool ownPrivateFolder(const fs::path& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info {};
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// "/tmp/" and "/tmp" name the same folder; components are compared without the trailing
// empty one.
fs::path normalFolder(const fs::path& folder) {
    fs::path normal = folder.lexically_normal();
    if (!normal.has_filename() && normal.has_relative_path())
        normal = normal.parent_path();
    return normal;
}

} // namespace

StartupContext startupContextOfProcess() {
    StartupContext context;
    context.programFolder = programFolder();
    context.desktopFolder = desktopFolder();
    context.systemTempFolder = systemTempFolder();
    context.videosFolder = userMediaFolder("VIDEOS", "Videos");
    context.documentsFolder = userMediaFolder("DOCUMENTS", "Documents");
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr)
        context.runtimeFolder = runtime;
    return context;
}

bool isInsideFolder(const fs::path& path, const fs::path& folder) {
    const fs::path inner = normalFolder(path);
    const fs::path outer = normalFolder(folder);
    if (outer.empty() || inner.empty())
        return false;
    auto i = inner.begin();
    for (const fs::path& part : outer) {
        if (i == inner.end() || *i != part)
            return false;
        ++i;
    }
    return true;
}

std::optional<StartupRefusal> checkArchiveFolder(const fs::path& programFolder,
                                                 const fs::path& systemTempFolder) {
    const fs::path program = normalFolder(programFolder);
    for (const fs::path& temp : {systemTempFolder, fs::path("/tmp"), fs::path("/var/tmp")}) {
        if (temp.empty() || !isInsideFolder(program, temp))
            continue;
        for (const fs::path& part : program.lexically_relative(normalFolder(temp))) {
            const std::string name = part.string();
            if (name.find('$') != std::string::npos || name.rfind(".fr-", 0) == 0)
                return unpackRefusal(kArchiveText);
        }
    }
    return std::nullopt;
}

fs::path encoderToolPath(const fs::path& programFolder) {
    return programFolder / "tool" / "ffmpeg";
}

std::optional<StartupRefusal> checkEncoderTool(const fs::path& programFolder, bool installed) {
    const fs::path tool = encoderToolPath(programFolder);
    struct stat info {};
    if (::stat(tool.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        ::access(tool.c_str(), X_OK) != 0) {
        // An installed program reaches the system's ffmpeg through a link: when only its
        // target is missing, unpacking again would not help, installing ffmpeg does.
        std::error_code ec;
        const fs::path target = fs::read_symlink(tool, ec);
        if (installed && !ec && !fs::exists(tool, ec)) {
            StartupRefusal refusal = unpackRefusal(kMissingEncoderText);
            refusal.text = "找不到视频编码程序 ffmpeg (" + target.string() +
                           ")。\n\n请先安装 ffmpeg，例如: sudo apt install ffmpeg";
            refusal.helpPage.clear();
            return refusal;
        }
        return unpackRefusal(kMissingEncoderText);
    }
    return std::nullopt;
}

fs::path chooseTempPictureFolder(const StartupContext& context, const fs::path& workFolder) {
    if (!context.desktopFolder.empty() && !context.systemTempFolder.empty() &&
        isInsideFolder(context.programFolder, context.desktopFolder)) {
        const fs::path shared = context.systemTempFolder / "VelomiraTemp";
        if (shared.native().size() <= kMaxTempPathBytes && ownPrivateFolder(shared))
            return shared;
    }
    const fs::path own = workFolder / "temp";
    createFolder(own);
    return own;
}

namespace {

// A folder of this user's alone: made private when missing, refused when it is a link or
// belongs to someone else.
bool privateFolder(const fs::path& folder) {
    ::mkdir(folder.c_str(), 0700);
    struct stat info {};
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::getuid();
}

} // namespace

TempBases chooseTempBases(const StartupContext& context, const fs::path& workFolder) {
    if (workFolder != context.programFolder) {
        fs::path runtime;
        if (context.runtimeFolder.is_absolute())
            runtime = context.runtimeFolder / "velomira";
        else if (!context.systemTempFolder.empty())
            runtime = context.systemTempFolder / ("velomira-" + std::to_string(::getuid()));
        if (!runtime.empty() && privateFolder(runtime) && privateFolder(runtime / "temp") &&
            privateFolder(runtime / "pictures"))
            return {runtime / "temp", runtime / "pictures"};
    }
    return {workFolder / "temp", chooseTempPictureFolder(context, workFolder)};
}

void createWorkFolders(const fs::path& workFolder) {
    for (const char* name : {"pics", "temp", "mp3"})
        createFolder(workFolder / name);
}

int emptyTempPictureFolder(const fs::path& folder) {
    std::error_code ec;
    if (folder.empty() || !fs::is_directory(fs::symlink_status(folder, ec)))
        return 0;
    int removed = 0;
    for (fs::directory_iterator entry(folder, ec), end; !ec && entry != end; entry.increment(ec)) {
        std::error_code removeError;
        if (fs::remove_all(entry->path(), removeError) > 0 && !removeError)
            ++removed;
    }
    return removed;
}

StartupResult prepareStartup(const StartupContext& context) {
    StartupResult result;
    StartupFolders& folders = result.folders;
    folders.programFolder = context.programFolder;
    folders.desktopFolder = context.desktopFolder;
    folders.encoderPath = encoderToolPath(context.programFolder);

    result.refusal = checkArchiveFolder(context.programFolder, context.systemTempFolder);
    if (!result.refusal)
        result.refusal = checkEncoderTool(
            context.programFolder, workFolderFor(context.programFolder) != context.programFolder);
    if (result.refusal)
        return result;

    folders.workFolder = workFolderFor(context.programFolder);
    folders.picsFolder = folders.workFolder / "pics";
    folders.mp3Folder = folders.workFolder / "mp3";
    createWorkFolders(folders.workFolder);
    const TempBases bases = chooseTempBases(context, folders.workFolder);
    // Each running copy works in folders of its own, so that one copy's exit can never empty
    // another's.
    const std::string copy = context.copyName.empty() ? runningCopyName() : context.copyName;
    for (const fs::path& base : {bases.encoder, bases.pictures}) {
        removeFoldersOfEndedCopies(base);
        ::mkdir((base / copy).c_str(), 0700);
    }
    folders.workTempFolder = bases.encoder / copy;
    folders.tempPictureFolder = bases.pictures / copy;
    chooseUserFolders(context, folders);
    return result;
}

namespace {

// "Velomira" in a user folder, created when missing, when this user may write there.
fs::path writableUserFolder(const fs::path& userFolder) {
    if (userFolder.empty())
        return {};
    const fs::path own = userFolder / "Velomira";
    std::error_code ec;
    fs::create_directories(own, ec);
    if (!fs::is_directory(own, ec) || ::access(own.c_str(), W_OK | X_OK) != 0)
        return {};
    return own;
}

} // namespace

void chooseUserFolders(const StartupContext& context, StartupFolders& folders) {
    const fs::path ownProjects = folders.workFolder / "我的项目";
    const fs::path ownVideos = folders.workFolder / "我的视频";
    if (folders.workFolder == context.programFolder) {
        folders.projectFolder = ownProjects;
        folders.videoFolder = ownVideos;
        return;
    }
    folders.projectFolder = writableUserFolder(context.documentsFolder);
    if (folders.projectFolder.empty()) {
        folders.projectFolder = ownProjects;
        folders.notes.push_back("文档文件夹不可用，项目保存在: " + ownProjects.string());
    }
    folders.videoFolder = writableUserFolder(context.videosFolder);
    if (folders.videoFolder.empty()) {
        folders.videoFolder = ownVideos;
        folders.notes.push_back("视频文件夹不可用，视频保存在: " + ownVideos.string());
    }
}

void removeOwnTempFolders(const StartupFolders& folders) {
    for (const fs::path& folder : {folders.workTempFolder, folders.tempPictureFolder}) {
        struct stat info {};
        // Only a real folder, never what a link points to; a folder handed in under another
        // name (not made by start-up) is emptied and kept.
        if (folder.empty() || ::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
            continue;
        std::error_code ignored;
        if (isCopyName(folder.filename().string()))
            fs::remove_all(folder, ignored);
        else
            emptyTempPictureFolder(folder);
    }
}

int listDropHeight(int screenHeight) {
    switch (screenHeight) {
    case 768:
        return 30;
    case 800:
        return 31;
    case 900:
        return 34;
    case 960:
        return 36;
    case 1024:
        return 38;
    case 1080:
        return 39;
    default:
        break;
    }
    if (screenHeight < 769)
        return 22;
    return screenHeight <= 1080 ? 33 : 40;
}

} // namespace velomira
