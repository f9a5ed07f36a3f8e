// Feeds arbitrary bytes to the project reader as a file's contents. Whatever it accepts must
// print to text that reads back to the same document, and the album it makes must save to text
// that opens to the same album again, so opening and saving never drifts.
#include "album/project_apply.h"
#include "album/project_file.h"
#include "album/project_reading.h"
#include "album/project_text.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

const std::vector<std::string> kFonts = {"Font A", "Font B", "字体"};

// Applies a well-formed document to a fresh album; pictures are created without touching the
// disk and every music path reads as one second.
void applyDocument(const velomira::ProjectDocument& document, velomira::AlbumProject& album) {
    velomira::resetProjectOptions(album, kFonts.front());
    velomira::TransitionRandom random(3);
    for (const std::string& path : document.bgsoundItems.value_or(std::vector<std::string>{})) {
        if (velomira::isProjectMusicPath(path)) {
            velomira::addMusicTrack(album, {path, 1000.0f, 44100});
        }
    }
    for (const velomira::ProjectItemEntry& entry :
         document.imgs.value_or(std::vector<velomira::ProjectItemEntry>{})) {
        const int position = velomira::insertAlbumItem(album, entry.path, -1, false, random);
        if (velomira::AlbumItem* item = velomira::albumItemAt(album, position)) {
            velomira::applyProjectItemEntry(*item, entry);
        }
    }
    velomira::applyProjectOptions(album, document, velomira::kProjectOptionCount, kFonts, {});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const velomira::ProjectReading reading =
        velomira::parseProjectDocument(velomira::projectTextFromGbk(bytes));
    if (reading.failure) {
        return 0;
    }
    const velomira::ProjectReading again =
        velomira::parseProjectDocument(velomira::printProjectDocument(reading.document));
    if (again.failure || !(again.document == reading.document)) {
        std::abort();
    }
    velomira::AlbumProject first;
    applyDocument(reading.document, first);
    const std::string saved = velomira::serializeProject(first);
    const velomira::ProjectReading reread =
        velomira::parseProjectDocument(velomira::projectTextFromGbk(saved));
    if (reread.failure) {
        std::abort();
    }
    velomira::AlbumProject second;
    applyDocument(reread.document, second);
    if (velomira::serializeProject(second) != saved) {
        std::abort();
    }
    return 0;
}
