#pragma once
// Shared set-up for the image-layer tests: the library started, a temporary folder, and a
// recorder for the messages the layer shows.
#include "render/image/magick_handles.h"
#include "support/recording_dialogs.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace velomira::testing {

class RenderTest : public ::testing::Test {
  protected:
    void SetUp() override { initImageLibrary(); }

    TempFolder folder;
    RecordingDialogs dialogs;
};

inline int widthOf(const velomira::Image& image) {
    return static_cast<int>(MagickGetImageWidth(image.get()));
}
inline int heightOf(const velomira::Image& image) {
    return static_cast<int>(MagickGetImageHeight(image.get()));
}

// Decodes bytes (an encoded frame or an icon) back into an image.
inline velomira::Image decode(const Blob& blob) {
    velomira::Image image = newImage();
    if (blob.empty() || MagickReadImageBlob(image.get(), blob.bytes(), blob.length) == MagickFalse)
        return velomira::Image();
    return image;
}

} // namespace velomira::testing
