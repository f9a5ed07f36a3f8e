#pragma once
// What the window says about one picture file: the status line of a selected picture, and
// whether a picture chosen as the logo or the cover is one the video can use.
#include <string>

namespace velomira {

// The one-line description ("尺寸: ..."): from the header, or from the imaging library for a
// format the header probe does not know. False when neither reads the file.
bool describePictureFile(const std::string& path, std::string& text);

enum class ChosenPicture {
    Usable,
    NotPngOrJpeg, // by its header, whatever its name says
    CmykLogo,     // a logo is laid over RGB frames
};

// Logo and cover pictures are PNG or JPEG by their headers; a logo is also not CMYK.
ChosenPicture checkChosenPicture(const std::string& path, bool logo);

} // namespace velomira
