#pragma once
// Option values that are choices between a few named cases. They travel as these types; the
// settings store (writeSetting, readSetting) and the project file turn them into the integers
// they store, under the stored names, and back.
#include <cstdint>

namespace velomira {

// The background the pictures are laid on ("video_bg_fill_color").
enum class BackgroundFill : std::uint32_t { White = 0, Black = 1 };

// The proposed name of a new video ("mp4_default_file_name"); other stored numbers propose no
// name, as Empty does.
enum class OutputNaming : std::uint32_t { Empty = 0, Time = 1, FirstPicture = 2 };

// What the window's close button does ("click_close_button_status"); other stored numbers end
// the program, as Exit does.
enum class CloseBehaviour : std::uint32_t { Exit = 0, HideToTray = 1 };

// How frames reach the encoder ("frame_transport").
enum class FrameTransport : std::uint32_t { JpegFiles = 0, RawPixels = 1 };

template <typename Option> constexpr std::uint32_t storedValue(Option option) {
    return static_cast<std::uint32_t>(option);
}

} // namespace velomira
