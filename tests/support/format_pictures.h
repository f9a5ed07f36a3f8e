#pragma once
// Pictures of today's formats (HEIC, AVIF, WebP, TIFF, phone orientations), made once per test
// suite by scripts/make_format_pictures.sh (ImageMagick and exiftool). The test target gives
// the script's path as VELOMIRA_FORMAT_PICTURES_SCRIPT.
#include "support/temp_folder.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace velomira::testing {

class FormatPicturesTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder = std::make_unique<TempFolder>();
        const std::string command = std::string(VELOMIRA_FORMAT_PICTURES_SCRIPT) + " '" +
                                    folder->path().string() + "' >/dev/null";
        made = std::system(command.c_str()) == 0;
    }
    static void TearDownTestSuite() { folder.reset(); }
    void SetUp() override { ASSERT_TRUE(made) << "make_format_pictures.sh failed"; }
    static std::string file(const char* name) { return folder->file(name); }

    static inline std::unique_ptr<TempFolder> folder;
    static inline bool made = false;
};

} // namespace velomira::testing
