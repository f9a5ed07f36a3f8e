#include "ui/file_dialogs.h"

#include "app/path_limits.h"
#include "app/settings_store.h"

namespace velomira {

namespace {

using RefusalText = std::optional<std::string> (*)(std::string_view);

struct LengthRules {
    RefusalText folderTooLong;
    RefusalText pathTooLong;
};

constexpr LengthRules kOneFileRules{folderTooLongMessage, pathTooLongMessage};
constexpr LengthRules kSeveralFilesRules{folderTooLongMessageForSeveralFiles,
                                         pathTooLongMessageForSeveralFiles};

std::string folderOf(const std::string& path) {
    std::string folder;
    rememberFolderOf(folder, path);
    return folder;
}

// Shows the refusal and answers false when the folder or the path is too long.
bool acceptLengths(const std::string& path, const LengthRules& rules) {
    std::optional<std::string> refusal = rules.folderTooLong(folderOf(path));
    if (!refusal)
        refusal = rules.pathTooLong(path);
    if (!refusal)
        return true;
    showMessage(*refusal, kPathRefusalTitle, MessageKind::Error);
    return false;
}

FileDialogRequest requestFor(const std::string& title, const std::vector<FileFilter>& filters,
                             const std::string& folderBuffer) {
    FileDialogRequest request;
    request.title = title;
    request.filters = filters;
    request.startFolder = folderBuffer;
    return request;
}

std::optional<std::string> acceptOne(std::optional<std::string> chosen, std::string& folderBuffer) {
    if (!chosen || chosen->empty())
        return std::nullopt;
    if (!acceptLengths(*chosen, kOneFileRules))
        return std::nullopt;
    rememberFolderOf(folderBuffer, *chosen);
    return chosen;
}

} // namespace

std::optional<std::string> chooseFileToOpen(const std::string& title,
                                            const std::vector<FileFilter>& filters,
                                            std::string& folderBuffer) {
    return acceptOne(askOpenFile(requestFor(title, filters, folderBuffer)), folderBuffer);
}

std::vector<std::string> chooseFilesToOpen(const std::string& title,
                                           const std::vector<FileFilter>& filters,
                                           std::string& folderBuffer) {
    std::vector<std::string> chosen = askOpenFiles(requestFor(title, filters, folderBuffer));
    if (chosen.empty())
        return {};
    for (const std::string& path : chosen) {
        if (path.empty() || !acceptLengths(path, kSeveralFilesRules))
            return {};
    }
    rememberFolderOf(folderBuffer, chosen.front());
    return chosen;
}

std::optional<std::string> chooseFileToSave(const std::string& title,
                                            const std::vector<FileFilter>& filters,
                                            const std::string& defaultExtension,
                                            std::string& folderBuffer,
                                            const std::string& initialName) {
    FileDialogRequest request = requestFor(title, filters, folderBuffer);
    request.defaultExtension = defaultExtension;
    request.initialName = initialName;
    return acceptOne(askSaveFile(request), folderBuffer);
}

} // namespace velomira
