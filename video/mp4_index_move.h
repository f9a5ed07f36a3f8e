#pragma once
// Moves an MP4's index (moov) in front of its media (mdat), so that a browser or a shop page
// can play the video before the whole file has arrived. The encoder writes the index last.
#include <string>

namespace velomira {

// Rewrites the file at path with its index first: the boxes are written in their order into a
// file beside it, the index moved before the first media box with its chunk offsets shifted,
// and that file replaces path only when it is complete and of the same size. True when the file
// now has its index first (also when it already had); otherwise the file is unchanged and
// failure says why.
bool moveIndexToFront(const std::string& path, std::string& failure);

} // namespace velomira
