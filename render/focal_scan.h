#pragma once
// A picture file's focal region: read small, turned grey and handed to the detector.
#include "media/focal/focal_detection.h"

#include <string>

namespace velomira {

// The region of the picture at path, measured on the picture as read (before the user's turn).
// A picture that cannot be read or analysed gets the whole picture (its middle) and the reason
// in problem; nothing here fails.
FocalDetection scanFocalRegion(const FocalDetector& detector, const std::string& path);

} // namespace velomira
