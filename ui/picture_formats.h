#pragma once
// The picture formats the window takes: one table behind the picture file dialog, the names
// that count as pictures when dropped, and the list the window shows to users.
#include "platform/dialogs.h"

#include <string>
#include <vector>

namespace velomira {

// The picture file dialog's filters: all pictures first, then one per format.
const std::vector<FileFilter>& pictureFileFilters();

// "JPG, GIF(静态), PNG, ..." in the order of the dialog's filters.
std::string readablePictureFormats();

} // namespace velomira
