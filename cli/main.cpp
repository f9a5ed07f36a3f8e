// Terminal front end: renders an album made from a folder of pictures into numbered JPEG
// frames, printing what it does. Messages from below go to standard error.
#include "album/transition_catalogue.h"
#include "app/caption_margins.h"
#include "cli/demo_album.h"
#include "platform/paths.h"
#include "render/caption_fonts.h"
#include "render/folder_sink.h"
#include "render/frame_sequencer.h"

#include <clocale>
#include <cstdio>
#include <cstring>
#include <iostream>

using namespace velomira;

namespace {

int usage() {
    std::cerr << "usage: velomira render <picture folder> <frame folder> [WIDTHxHEIGHT]\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");
    if (argc < 4 || std::strcmp(argv[1], "render") != 0)
        return usage();
    int width = 640;
    int height = 360;
    if (argc > 4 && std::sscanf(argv[4], "%dx%d", &width, &height) != 2)
        return usage();

    initImageLibrary();
    AlbumProject project;
    if (setCustomVideoSize(project.settings, width, height) < 0) {
        std::cerr << "unsupported video size " << width << "x" << height << "\n";
        return 2;
    }
    choosePauseTime(project.settings, kDefaultPauseTime);
    project.settings.loopPlayAnimation = NO_TRANSITION;

    const CaptionFontTable fonts = buildCaptionFontTable(defaultFontFolders(homeFolder()));
    if (!fonts.empty())
        project.settings.captionFontName = fonts.front().displayName;

    TransitionRandom random(20261207);
    if (addFolderPictures(project, argv[2], random, std::cerr) == 0) {
        std::cerr << "no picture in " << argv[2] << "\n";
        return 1;
    }
    // Captions on the first and the last picture show both caption styles.
    applyCaptionSwitch(project, true);
    applyCaptionColour(project, 0);
    setAlbumItemCaptionText(project, 0, "Velomira 演示相册");
    const int last = albumItemCount(project) - 1;
    setAlbumItemCaptionText(project, last, "谢谢观看");
    for (const AlbumItem& item : project.items)
        std::cout << item.fileName << "  <-  " << item.animationName << "\n";
    const int frames = countAlbumFrames(project);
    std::cout << "frames counted: " << frames << "  "
              << videoLengthText(videoLengthSeconds(project)) << "\n";

    std::filesystem::path out = argv[3];
    std::error_code ec;
    std::filesystem::create_directories(out, ec);
    FolderSink sink(out);
    SequencerContext context;
    context.project = &project;
    context.sink = &sink;
    context.fonts = &fonts;
    std::atomic<bool> stop{false};
    const RunOutcome outcome = renderAlbum(context, albumItemCount(project), stop, [&](int n) {
        std::cout << "picture " << n << " / " << albumItemCount(project) << "\n";
    });
    std::cout << "frames written: " << sink.framesWritten() << "\n";
    if (outcome != RunOutcome::Completed || sink.framesWritten() != frames) {
        std::cerr << "the run did not complete\n";
        return 1;
    }
    return 0;
}
