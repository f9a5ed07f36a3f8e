#pragma once
// The program's file dialogs over platform/dialogs. Each starts in a remembered folder and,
// when a choice is accepted, remembers the chosen file's folder in the same buffer. Folders
// and full paths longer than the 259-byte limit are refused with a message box ("提示", error
// icon) and give an empty result; a cancelled dialog changes nothing.
#include "platform/dialogs.h"

#include <optional>
#include <string>
#include <vector>

namespace velomira {

std::optional<std::string> chooseFileToOpen(const std::string& title,
                                            const std::vector<FileFilter>& filters,
                                            std::string& folderBuffer);

// Every selected full path, in the dialog's order; one refused path refuses the whole choice.
std::vector<std::string> chooseFilesToOpen(const std::string& title,
                                           const std::vector<FileFilter>& filters,
                                           std::string& folderBuffer);

// initialName is offered in the name field; defaultExtension (no dot) completes a bare name.
std::optional<std::string> chooseFileToSave(const std::string& title,
                                            const std::vector<FileFilter>& filters,
                                            const std::string& defaultExtension,
                                            std::string& folderBuffer,
                                            const std::string& initialName);

} // namespace velomira
