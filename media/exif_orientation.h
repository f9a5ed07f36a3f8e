#pragma once
// The EXIF orientation of a picture file, and the quarter turn that shows it upright. Phones
// store portraits as landscape pixels and say how to turn them in this field.
#include <cstdio>
#include <string>

namespace velomira {

// The orientation (1 to 8) stored in a JPEG's EXIF block, a TIFF's first directory or a WebP's
// EXIF chunk; 0 when there is none or the value is outside 1 to 8. HEIF and AVIF give 0: their
// own rotation boxes are applied by the decoder, so nothing may turn them a second time.
int readExifOrientation(const std::string& path);
int readExifOrientationStream(std::FILE* file);

// The clockwise turn (0, 90, 180, 270) that shows a picture of that orientation upright.
// Mirrored orientations get their turn only: 2 → 0, 4 → 180, 5 → 90, 7 → 270, so they stand
// upright but stay mirrored, as a front camera's preview showed them.
int turnAngleForOrientation(int orientation);

} // namespace velomira
