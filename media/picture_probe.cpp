#include "media/picture_probe.h"

#include "media/exif_orientation.h"
#include "media/header_probe_stream.h"
#include "media/regular_file.h"

namespace velomira {

int PictureFacts::uprightTurn() const {
    return turnAngleForOrientation(orientation);
}

PictureFacts probePicture(const std::string& path) {
    PictureFacts facts;
    facts.path = path;
    const FileHandle file = openRegularFile(path);
    if (!file)
        return facts;
    // Each reader starts again at the beginning of the same open stream.
    facts.kind = probeImageKindStream(file.get());
    facts.sized = readImageHeaderStream(file.get(), facts.header);
    if (facts.still())
        facts.orientation = readExifOrientationStream(file.get());
    return facts;
}

} // namespace velomira
