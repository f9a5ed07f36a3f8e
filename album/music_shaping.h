#pragma once
// What music files an album takes, and the bounds of its music fades and loudness.
#include "album/album_model.h"

#include <array>
#include <optional>
#include <string_view>

namespace velomira {

// The names of audio files the music list takes, as lower-case endings with their dot.
inline constexpr std::array<const char*, 8> kMusicFileEndings = {".mp3", ".m4a", ".aac",  ".flac",
                                                                 ".ogg", ".oga", ".opus", ".wav"};

// True for a name ending in one of kMusicFileEndings, in any case.
bool isMusicFileName(std::string_view name);
// True for a name ending in ".mp3", in any case: those keep their own frame reader.
bool isMp3FileName(std::string_view name);

// The bounds a fade-out length (seconds) and a loudness target (LUFS) must keep.
constexpr double kLongestMusicFade = 30.0;
constexpr double kQuietestLoudness = -40.0;
constexpr double kLoudestLoudness = -5.0;
bool isUsableMusicFade(double seconds);
bool isUsableLoudness(double lufs);

// Takes a project's values: a fade or target outside the bounds reads as none.
void applyMusicShaping(VideoSettings& settings, std::optional<double> fadeSeconds,
                       std::optional<double> loudness);

// True when the music goes through the encoder's filter graph instead of being joined byte by
// byte: fades or loudness are on, or a track is not MP3. Its tracks may differ in rate.
bool musicNeedsFilterGraph(const AlbumProject& album);

} // namespace velomira
