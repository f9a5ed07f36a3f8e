#pragma once
// The part of a picture the framing follows (faces, else the most striking part, else the
// middle): its plain form as the model keeps it, its text in the project file, and how a
// quarter turn of the picture moves it.
#include <optional>
#include <string>
#include <string_view>

namespace velomira {

// Shares of the picture's width and height (0..1), measured on the picture as its file shows
// it (its own orientation applied, before the user's turn).
struct FocalRegion {
    double x = 0.0;
    double y = 0.0;
    double width = 1.0;
    double height = 1.0;
    bool byHand = false; // chosen in the window: never found again
    bool operator==(const FocalRegion&) const = default;
};

// Whether the album's pictures are framed around their found region or around the middle (the
// old behaviour, and the one projects without the key keep).
enum class FocusMode { Center = 0, Auto = 1 };

// "center", "auto": the command line, the batch file and the project file use these.
const char* focusModeName(FocusMode mode);
std::optional<FocusMode> parseFocusMode(std::string_view name);

// The region's file text, "x,y,w,h" in ten-thousandths of the picture's sides.
std::string focalRegionText(const FocalRegion& region);
// A region from its file text; nothing for malformed text or a region not inside the picture
// (it then counts as not yet found).
std::optional<FocalRegion> parseFocalRegion(std::string_view text);

// The region kept inside the picture with a side of at least one ten-thousandth.
FocalRegion clampedFocalRegion(FocalRegion region);

// The region after the picture is turned clockwise by angle (a multiple of 90; other angles
// leave it as it is).
FocalRegion turnedFocalRegion(const FocalRegion& region, int angle);

// The region framing follows for a picture: one chosen by hand always, a found one only while
// the album follows found regions; nothing means the middle.
std::optional<FocalRegion> framingRegion(FocusMode mode, const std::optional<FocalRegion>& region);

} // namespace velomira
