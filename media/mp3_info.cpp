#include "media/mp3_info.h"

#include "media/bounded_reader.h"
#include "platform/unique_fd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace velomira {

namespace {

enum Version { kMpeg1, kMpeg2, kMpeg25 };

// kbit/s by bitrate index; index 0 (free format) and 15 (reserved) are refused before the
// look-up.
constexpr int kBitrates[5][16] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0}, // MPEG 1 layer I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},    // MPEG 1 layer II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},     // MPEG 1 layer III
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},    // MPEG 2/2.5 layer I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}, // MPEG 2/2.5 layers II, III
};

constexpr int kBaseRates[3] = {44100, 48000, 32000};

constexpr std::size_t kId3HeaderBytes = 10;
constexpr std::size_t kId3FooterBytes = 10;
constexpr std::size_t kTrailingTagRoom = 128;

// Reads a regular file whole, refusing anything else and anything too large. A FIFO or a
// device is recognised after a non-blocking open, so nothing here can wait for a writer.
bool readWholeRegularFile(const std::string& path, std::vector<unsigned char>& bytes) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid())
        return false;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0 ||
        static_cast<std::uint64_t>(info.st_size) > kMaxMp3FileBytes)
        return false;
    // The size measured at the start bounds the read, even if the file grows meanwhile.
    bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        ssize_t got = ::read(fd.get(), bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            break; // shrunk under us: what was read is the file
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(filled);
    return true;
}

} // namespace

std::optional<Mp3FrameHeader> parseMp3FrameHeader(std::uint32_t word) {
    if ((word & 0xFFE00000u) != 0xFFE00000u)
        return std::nullopt;
    const unsigned versionBits = (word >> 19) & 3;
    const unsigned layerBits = (word >> 17) & 3;
    const unsigned bitrateIndex = (word >> 12) & 15;
    const unsigned rateIndex = (word >> 10) & 3;
    const unsigned padding = (word >> 9) & 1;
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 ||
        rateIndex == 3)
        return std::nullopt;

    const Version version = versionBits == 3 ? kMpeg1 : versionBits == 2 ? kMpeg2 : kMpeg25;
    const int layer = 4 - static_cast<int>(layerBits); // 01 is layer III, 11 layer I
    int table;
    if (version == kMpeg1)
        table = layer - 1;
    else
        table = layer == 1 ? 3 : 4;

    Mp3FrameHeader header;
    header.bitrateKbps = kBitrates[table][bitrateIndex];
    header.sampleRate = kBaseRates[rateIndex];
    if (version == kMpeg2)
        header.sampleRate /= 2;
    else if (version == kMpeg25)
        header.sampleRate /= 4;

    const int kbps = header.bitrateKbps;
    const int rate = header.sampleRate;
    const int pad = static_cast<int>(padding);
    if (layer == 1) {
        header.frameBytes = (12000 * kbps / rate + pad) * 4;
        header.samplesPerFrame = 384;
    } else if (layer == 2) {
        header.frameBytes = 144000 * kbps / rate + pad;
        header.samplesPerFrame = 1152;
    } else if (version == kMpeg1) {
        header.frameBytes = 144000 * kbps / rate + pad;
        header.samplesPerFrame = 1152;
    } else {
        header.frameBytes = 72000 * kbps / rate + pad;
        header.samplesPerFrame = 576;
    }
    // The smallest table entries still give frames of 24 bytes or more; this only guards the
    // scan against a future table mistake.
    if (header.frameBytes < 1)
        return std::nullopt;
    return header;
}

std::size_t mp3AudioStart(const unsigned char* data, std::size_t size) {
    if (size < kId3HeaderBytes || data[0] != 'I' || data[1] != 'D' || data[2] != '3' ||
        data[3] == 0xFF || data[4] == 0xFF)
        return 0;
    std::size_t tagBytes = 0;
    for (int i = 6; i < 10; ++i) {
        if (data[i] >= 0x80)
            return 0;
        tagBytes = (tagBytes << 7) | data[i];
    }
    tagBytes += kId3HeaderBytes;
    if (data[5] & 0x10)
        tagBytes += kId3FooterBytes;
    return tagBytes;
}

float readMp3InfoBytes(const unsigned char* data, std::size_t size, int* sampleRate) {
    if (sampleRate)
        *sampleRate = 0;
    if (!data)
        return 0.0f;
    // Summed in double: a float sum drifts by whole frames over an hour of short frames.
    double milliseconds = 0.0;
    int lastRate = 0;
    std::size_t position = mp3AudioStart(data, size);
    while (position < size && size - position > kTrailingTagRoom) {
        if (data[position] == 0xFF) {
            if (auto header = parseMp3FrameHeader(bigEndian32(data + position))) {
                milliseconds += static_cast<double>(header->samplesPerFrame) /
                                static_cast<double>(header->sampleRate) * 1000.0;
                lastRate = header->sampleRate;
                position += static_cast<std::size_t>(header->frameBytes);
                continue;
            }
        }
        ++position;
    }
    if (sampleRate)
        *sampleRate = lastRate;
    return static_cast<float>(milliseconds);
}

float readMp3Info(const std::string& path, int* sampleRate) {
    if (sampleRate)
        *sampleRate = 0;
    std::vector<unsigned char> bytes;
    if (!readWholeRegularFile(path, bytes))
        return 0.0f;
    return readMp3InfoBytes(bytes.data(), bytes.size(), sampleRate);
}

} // namespace velomira
