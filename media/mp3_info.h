#pragma once
// Duration and sample rate of an MP3 file from its frame headers alone: the audio is never
// decoded. The music list uses it when tracks are added and when a project is loaded.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace velomira {

// Larger files are refused rather than read into memory whole.
inline constexpr std::uint64_t kMaxMp3FileBytes = 512ull * 1024 * 1024;

// The fields of one MPEG audio frame header (MPEG 1, 2 and 2.5, layers I to III).
struct Mp3FrameHeader {
    int sampleRate = 0;      // Hz
    int bitrateKbps = 0;     // kbit/s
    int frameBytes = 0;      // whole frame, header included; always 1 or more
    int samplesPerFrame = 0; // 384, 576 or 1152
};

// Decodes a big-endian header word; nullopt for anything that is not a frame header we
// accept (free format, reserved version, layer, bitrate or rate fields).
std::optional<Mp3FrameHeader> parseMp3FrameHeader(std::uint32_t word);

// Where the frame scan starts: past a leading ID3v2 tag (and its footer), else 0. May lie
// beyond the end of the data when the tag claims more than there is.
std::size_t mp3AudioStart(const unsigned char* data, std::size_t size);

// Duration in milliseconds of the frames in the bytes; 0 when there is no valid frame. The
// last 128 bytes (room for an ID3v1 tag) are never scanned. *sampleRate (when given) gets
// the rate of the last valid frame, or 0.
float readMp3InfoBytes(const unsigned char* data, std::size_t size, int* sampleRate);

// The same for a file. 0 (and a rate of 0) when it cannot be opened, is not a regular file
// (a folder, a FIFO, a device) or is larger than kMaxMp3FileBytes.
float readMp3Info(const std::string& path, int* sampleRate);

} // namespace velomira
