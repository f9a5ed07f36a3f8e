// Feeds arbitrary bytes to the project reader as a file's contents. Whatever it accepts must
// save to text that opens to the same album again, so opening and saving never drifts.
#include "album/project_apply.h"
#include "album/project_file.h"
#include "album/project_text.h"
#include "platform/dialogs.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

class SilentDialogs final : public velomira::DialogHost {
  public:
    void showMessage(const std::string&, const std::string&, velomira::MessageKind) override {}
    velomira::Answer ask(const std::string&, const std::string&, bool,
                         velomira::Answer defaultAnswer) override {
        return defaultAnswer;
    }
};

// Opens the UTF-8 text into a fresh album; pictures are created without touching the disk.
bool openText(const std::string& text, velomira::AlbumProject& album) {
    velomira::ProjectFileState file;
    velomira::ProjectContext context{album, file, {}, {"Font A", "Font B", "字体"}, {}, {},
                                     {},    {},   {}};
    velomira::TransitionRandom random(3);
    context.readMusic = [](const std::string& path) -> std::optional<velomira::MusicTrack> {
        return velomira::MusicTrack{path, 1000.0f, 44100};
    };
    context.addPicture = [&random](velomira::AlbumProject& target, const std::string& path) {
        velomira::AddPictureResult outcome;
        outcome.position = velomira::insertAlbumItem(target, path, -1, false, random);
        outcome.status = outcome.position < 0 ? velomira::AddPictureStatus::AlbumFull
                                              : velomira::AddPictureStatus::Added;
        return outcome;
    };
    velomira::resetProjectOptions(album, "Font A");
    return velomira::applyProjectText(context, text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static SilentDialogs silent;
    static bool installed = (velomira::installDialogHost(&silent), true);
    (void)installed;

    const std::string bytes(reinterpret_cast<const char*>(data), size);
    velomira::AlbumProject first;
    if (!openText(velomira::projectTextFromGbk(bytes), first)) {
        return 0;
    }
    const std::string saved = velomira::serializeProject(first);
    velomira::AlbumProject second;
    if (!openText(velomira::projectTextFromGbk(saved), second) ||
        velomira::serializeProject(second) != saved) {
        std::abort();
    }
    return 0;
}
