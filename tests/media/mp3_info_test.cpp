// The MP3 duration reader: frame header fields of every MPEG version and layer, the ID3v2
// skip, the unscanned tail, garbage between frames, files that are not regular files, real
// files from the encoder checked against ffprobe, and every fuzz seed.
#include "media/mp3_info.h"
#include "support/program_run.h"
#include "support/temp_folder.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace velomira {
namespace {

namespace fs = std::filesystem;
using testing::programOutput;
using testing::ProgramRun;
using testing::TempFolder;

// Header words used below, with their frame lengths and samples worked out by hand.
constexpr std::uint32_t kMpeg1L3_128k_44100 = 0xFFFB9000;     // 417 bytes, 1152 samples
constexpr std::uint32_t kMpeg1L3_128k_44100_pad = 0xFFFB9200; // 418 bytes
constexpr std::uint32_t kMpeg1L3_128k_48000 = 0xFFFB9400;     // 384 bytes
constexpr std::uint32_t kMpeg1L2_192k_48000 = 0xFFFDA400;     // 576 bytes, 1152 samples
constexpr std::uint32_t kMpeg1L1_384k_44100 = 0xFFFFC000;     // 416 bytes, 384 samples
constexpr std::uint32_t kMpeg2L3_64k_22050 = 0xFFF38000;      // 208 bytes, 576 samples
constexpr std::uint32_t kMpeg25L3_32k_11025 = 0xFFE34000;     // 208 bytes, 576 samples

std::string frame(std::uint32_t word, int length) {
    std::string bytes(static_cast<std::size_t>(length), '\0');
    bytes[0] = char(word >> 24);
    bytes[1] = char(word >> 16);
    bytes[2] = char(word >> 8);
    bytes[3] = char(word);
    return bytes;
}

std::string frames(std::uint32_t word, int length, int count) {
    std::string bytes;
    for (int i = 0; i < count; ++i)
        bytes += frame(word, length);
    return bytes;
}

// An ID3v1 tag: 128 bytes the scan must never enter.
const std::string kId3v1 = "TAG" + std::string(125, '\0');

std::string id3v2(std::uint32_t size, unsigned flags) {
    std::string header = "ID3";
    header += '\x04';
    header += '\0';
    header += char(flags);
    for (int shift = 21; shift >= 0; shift -= 7)
        header += char((size >> shift) & 0x7F);
    return header;
}

struct Scan {
    float ms;
    int rate;
};

Scan scan(const std::string& bytes) {
    Scan result{};
    result.rate = -1;
    result.ms = readMp3InfoBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                                 &result.rate);
    return result;
}

double framesMs(int count, int samples, int rate) {
    return count * static_cast<double>(samples) / rate * 1000.0;
}

TEST(Mp3FrameHeaderTest, FieldsOfEveryVersionAndLayer) {
    struct Case {
        std::uint32_t word;
        int rate, kbps, bytes, samples;
    };
    const Case cases[] = {
        {kMpeg1L3_128k_44100, 44100, 128, 417, 1152},
        {kMpeg1L3_128k_44100_pad, 44100, 128, 418, 1152},
        {kMpeg1L3_128k_48000, 48000, 128, 384, 1152},
        {0xFFFBE800, 32000, 320, 1440, 1152}, // MPEG 1 layer III 320k 32000
        {kMpeg1L2_192k_48000, 48000, 192, 576, 1152},
        {kMpeg1L1_384k_44100, 44100, 384, 416, 384},
        {0xFFFFC200, 44100, 384, 420, 384}, // layer I padding adds one 4-byte slot
        {kMpeg2L3_64k_22050, 22050, 64, 208, 576},
        {0xFFF5E400, 24000, 160, 960, 1152}, // MPEG 2 layer II: 144000, not 72000
        {0xFFF7E800, 16000, 256, 768, 384},  // MPEG 2 layer I
        {kMpeg25L3_32k_11025, 11025, 32, 208, 576},
        {0xFFE31800, 8000, 8, 72, 576}, // MPEG 2.5, smallest bitrate and rate
    };
    for (const Case& c : cases) {
        auto header = parseMp3FrameHeader(c.word);
        ASSERT_TRUE(header) << std::hex << c.word;
        EXPECT_EQ(header->sampleRate, c.rate) << std::hex << c.word;
        EXPECT_EQ(header->bitrateKbps, c.kbps) << std::hex << c.word;
        EXPECT_EQ(header->frameBytes, c.bytes) << std::hex << c.word;
        EXPECT_EQ(header->samplesPerFrame, c.samples) << std::hex << c.word;
    }
}

TEST(Mp3FrameHeaderTest, RefusesReservedAndFreeFormatFields) {
    const std::uint32_t refused[] = {
        0xFFFB0000, // bitrate index 0: free format
        0xFFFBF000, // bitrate index 15
        0xFFFB9C00, // sample-rate index 3
        0xFFF99000, // layer 00
        0xFFEB9000, // version 01 (reserved)
        0xFFDB9000, // one sync bit missing
        0x7FFB9000, 0x00000000,
        0xFFFFFFFF, // a run of 0xFF bytes
    };
    for (std::uint32_t word : refused)
        EXPECT_FALSE(parseMp3FrameHeader(word)) << std::hex << word;
}

TEST(Mp3ScanTest, ConstantBitrateFramesSumTheirSamples) {
    for (int count : {1, 2, 10, 250}) {
        // With and without an ID3v1 tag at the end: the last frame counts either way.
        for (const std::string& tail : {std::string(), kId3v1}) {
            Scan result = scan(frames(kMpeg1L3_128k_44100, 417, count) + tail);
            EXPECT_NEAR(result.ms, framesMs(count, 1152, 44100), 1e-3 * count) << count;
            EXPECT_EQ(result.rate, 44100);
        }
    }
    // Padded frames are one byte longer and must not be entered off by one.
    Scan padded = scan(frames(kMpeg1L3_128k_44100_pad, 418, 7) + kId3v1);
    EXPECT_NEAR(padded.ms, framesMs(7, 1152, 44100), 1e-2);
}

TEST(Mp3ScanTest, GarbageBetweenFramesIsSkippedByteByByte) {
    // Each 0xFF below starts a word that fails one field: bitrate 15, layer 00, free format,
    // bitrate 15 again, reserved version.
    const std::string garbage =
        std::string("\xFF\xFF\xFF\xFF\xFF\xF0\xFF\xFB\x00\x00\xFF\xFB\xF0", 13) +
        std::string(37, 'x') + std::string("\xFF\xEB\x90\x00", 4);
    std::string bytes = frames(kMpeg1L3_128k_44100, 417, 3) + garbage +
                        frames(kMpeg1L3_128k_44100, 417, 4) + garbage +
                        frames(kMpeg1L3_128k_44100, 417, 2) + kId3v1;
    EXPECT_NEAR(scan(bytes).ms, framesMs(9, 1152, 44100), 1e-2);
}

TEST(Mp3ScanTest, TheLast128BytesAreNeverScanned) {
    // A frame starting exactly 128 bytes before the end is not counted; 129 bytes before is.
    std::string body = frames(kMpeg1L3_128k_44100, 417, 2);
    Scan at128 = scan(body + frame(kMpeg1L2_192k_48000, 128));
    EXPECT_NEAR(at128.ms, framesMs(2, 1152, 44100), 1e-3);
    EXPECT_EQ(at128.rate, 44100);
    Scan at129 = scan(body + frame(kMpeg1L2_192k_48000, 129));
    EXPECT_EQ(at129.rate, 48000);
    // A lone frame in a file of 128 bytes or less is never seen.
    EXPECT_EQ(scan(frame(kMpeg1L3_128k_44100, 128)).ms, 0.0f);
    // A truncated frame whose header lies in the scanned part still counts.
    EXPECT_NEAR(scan(frame(kMpeg1L3_128k_44100, 200)).ms, framesMs(1, 1152, 44100), 1e-3);
}

TEST(Mp3ScanTest, NoValidFrameGivesZeroAndNoRate) {
    EXPECT_EQ(scan("").ms, 0.0f);
    EXPECT_EQ(scan("").rate, 0);
    for (std::uint32_t word : {0xFFFB0000u, 0xFFFBF000u, 0xFFFB9C00u, 0xFFEB9000u}) {
        Scan result = scan(frames(word, 417, 10) + kId3v1);
        EXPECT_EQ(result.ms, 0.0f) << std::hex << word;
        EXPECT_EQ(result.rate, 0) << std::hex << word;
    }
    Scan run = scan(std::string(5000, '\xFF'));
    EXPECT_EQ(run.ms, 0.0f);
    EXPECT_EQ(readMp3InfoBytes(nullptr, 100, nullptr), 0.0f);
}

TEST(Mp3Id3Test, TagWithFooterFlagIsSkippedWhole) {
    const std::string tag = id3v2(4096, 0x10);
    std::string withFooter = tag + std::string(4096 + 10, '\0');
    EXPECT_EQ(
        mp3AudioStart(reinterpret_cast<const unsigned char*>(withFooter.data()), withFooter.size()),
        4116u);
    const std::string plain = id3v2(4096, 0);
    EXPECT_EQ(mp3AudioStart(reinterpret_cast<const unsigned char*>(plain.data()), plain.size()),
              4106u);

    // The tag's body and footer are full of 48 kHz frame headers: none may be counted.
    std::string decoys = frames(kMpeg1L3_128k_48000, 4, 4106 / 4) + std::string(4106 % 4, '\0');
    std::string file = tag + decoys + frames(kMpeg1L3_128k_44100, 417, 5) + kId3v1;
    ASSERT_EQ(file.find('\xFF', 0), 10u);
    Scan result = scan(file);
    EXPECT_EQ(result.rate, 44100);
    EXPECT_NEAR(result.ms, framesMs(5, 1152, 44100), 1e-2);
}

TEST(Mp3Id3Test, MalformedTagsAreNotSkipped) {
    const std::string audio = frames(kMpeg1L3_128k_44100, 417, 3) + kId3v1;
    // A size byte with its high bit set or a version byte of 0xFF: not a tag, scan from 0.
    std::string badSize = id3v2(100, 0);
    badSize[8] = char(0x80);
    std::string badVersion = id3v2(100, 0);
    badVersion[3] = char(0xFF);
    for (const std::string& header : {badSize, badVersion}) {
        EXPECT_EQ(
            mp3AudioStart(reinterpret_cast<const unsigned char*>(header.data()), header.size()),
            0u);
        EXPECT_NEAR(scan(header + audio).ms, framesMs(3, 1152, 44100), 1e-2);
    }
    // A tag claiming more bytes than the file has leaves nothing to scan.
    Scan huge = scan(id3v2(0x0FFFFFFF, 0x10) + audio);
    EXPECT_EQ(huge.ms, 0.0f);
    EXPECT_EQ(huge.rate, 0);
    // A file shorter than a tag header is scanned from its start.
    EXPECT_EQ(mp3AudioStart(reinterpret_cast<const unsigned char*>("ID3"), 3), 0u);
}

class Mp3FileTest : public ::testing::Test {
  protected:
    TempFolder folder;
};

TEST_F(Mp3FileTest, ReadsFilesAndRefusesWhatIsNotARegularFile) {
    const std::string audio = frames(kMpeg1L3_128k_44100, 417, 12) + kId3v1;
    int rate = -1;
    EXPECT_NEAR(readMp3Info(folder.writeFile("a.mp3", audio), &rate), framesMs(12, 1152, 44100),
                1e-2);
    EXPECT_EQ(rate, 44100);

    rate = -1;
    EXPECT_EQ(readMp3Info(folder.file("missing.mp3"), &rate), 0.0f);
    EXPECT_EQ(rate, 0);
    EXPECT_EQ(readMp3Info(folder.writeFile("empty.mp3", ""), &rate), 0.0f);
    fs::create_directory(folder.path() / "dir.mp3");
    EXPECT_EQ(readMp3Info(folder.file("dir.mp3"), &rate), 0.0f);
    EXPECT_EQ(readMp3Info("", nullptr), 0.0f);

    // A FIFO without a writer must not block the reader.
    const std::string fifo = folder.file("fifo.mp3");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    auto pending = std::async(std::launch::async, [&] { return readMp3Info(fifo, nullptr); });
    if (pending.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        std::fprintf(stderr, "the MP3 reader blocks on a FIFO\n");
        std::_Exit(1);
    }
    EXPECT_EQ(pending.get(), 0.0f);

    // A device file is refused too, whatever it would deliver.
    EXPECT_EQ(readMp3Info("/dev/zero", &rate), 0.0f);
}

TEST_F(Mp3FileTest, FilesAboveTheSizeLimitAreRefusedUnread) {
    // Sparse: the size is there, the disk space is not. Frames at the start prove that the
    // refusal comes from the size and not from the content.
    const std::string path =
        folder.writeFile("big.mp3", frames(kMpeg1L3_128k_44100, 417, 3) + kId3v1);
    ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(kMaxMp3FileBytes + 1)), 0);
    int rate = -1;
    EXPECT_EQ(readMp3Info(path, &rate), 0.0f);
    EXPECT_EQ(rate, 0);
}

// ---- real files from the encoder ----

// The encoder is told not to write its leading information frame: that frame carries no audio
// but has a valid header, so the frame walk counts it as one frame more than ffprobe.
TEST_F(Mp3FileTest, EncodedFilesMatchFfprobeWithinAFrame) {
    if (access("/usr/bin/ffmpeg", X_OK) != 0 || access("/usr/bin/ffprobe", X_OK) != 0)
        GTEST_SKIP() << "needs /usr/bin/ffmpeg and /usr/bin/ffprobe";
    for (int rate : {44100, 48000, 22050}) {
        const std::string path = folder.file("sine_" + std::to_string(rate) + ".mp3");
        const ProgramRun encoded =
            programOutput({"/usr/bin/ffmpeg", "-v", "error", "-nostdin", "-y", "-f", "lavfi", "-i",
                           "sine=frequency=440:duration=3.3:sample_rate=" + std::to_string(rate),
                           "-c:a", "libmp3lame", "-b:a", "96k", "-write_xing", "0", path});
        ASSERT_EQ(encoded.exitCode, 0) << "ffmpeg failed for " << rate;
        const ProgramRun probed =
            programOutput({"/usr/bin/ffprobe", "-v", "error", "-show_entries", "format=duration",
                           "-of", "default=nw=1:nk=1", path});
        ASSERT_EQ(probed.exitCode, 0) << "ffprobe failed for " << rate;
        const double expectedMs = std::atof(probed.out.c_str()) * 1000.0;
        ASSERT_GT(expectedMs, 3000.0);

        int readRate = 0;
        const float ms = readMp3Info(path, &readRate);
        EXPECT_EQ(readRate, rate);
        const double frameMs = (rate < 32000 ? 576.0 : 1152.0) / rate * 1000.0;
        EXPECT_NEAR(ms, expectedMs, frameMs) << rate;
    }
}

// ---- fuzz seeds ----

TEST(Mp3CorpusTest, EverySeedEndsAndBothReadersAgree) {
    const fs::path corpus = fs::path(VELOMIRA_FUZZ_CORPUS) / "fuzz_mp3_info";
    ASSERT_TRUE(fs::is_directory(corpus)) << corpus;
    int seeds = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(corpus)) {
        const std::string path = entry.path().string();
        auto pending = std::async(std::launch::async, [path] {
            int rate = -1;
            float ms = readMp3Info(path, &rate);
            return Scan{ms, rate};
        });
        if (pending.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            std::fprintf(stderr, "the MP3 reader hangs on %s\n", path.c_str());
            std::_Exit(1);
        }
        Scan fromFile = pending.get();
        std::FILE* file = std::fopen(path.c_str(), "rb");
        ASSERT_TRUE(file) << path;
        std::string bytes;
        char chunk[8192];
        std::size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
            bytes.append(chunk, got);
        std::fclose(file);
        Scan fromBytes = scan(bytes);
        EXPECT_EQ(fromFile.ms, fromBytes.ms) << path;
        EXPECT_EQ(fromFile.rate, fromBytes.rate) << path;
        EXPECT_TRUE(std::isfinite(fromFile.ms) && fromFile.ms >= 0.0f) << path;
        EXPECT_EQ(fromFile.ms > 0.0f, fromFile.rate > 0) << path;
        ++seeds;
    }
    EXPECT_GE(seeds, 10);
}

TEST(Mp3CorpusTest, SeedsWithKnownAnswers) {
    const fs::path corpus = fs::path(VELOMIRA_FUZZ_CORPUS) / "fuzz_mp3_info";
    struct Known {
        const char* name;
        double ms;
        int rate;
    };
    const Known known[] = {
        {"empty.bin", 0, 0},
        {"ff_run.bin", 0, 0},
        {"bitrate_15.mp3", 0, 0},
        {"free_format.mp3", 0, 0},
        {"rate_index_3.mp3", 0, 0},
        {"id3_huge_size.mp3", 0, 0},
        {"cbr_10_frames_44100.mp3", framesMs(10, 1152, 44100), 44100},
        {"id3_4096_footer.mp3", framesMs(4, 1152, 44100), 44100},
        {"truncated_frame.mp3", framesMs(1, 1152, 44100), 44100},
        {"garbage_between_frames.mp3", framesMs(6, 1152, 44100), 44100},
        {"mpeg25_8000.mp3", framesMs(8, 576, 8000), 8000},
        {"layer1_44100.mp3", framesMs(5, 384, 44100), 44100},
        {"layer2_48000.mp3", framesMs(5, 1152, 48000), 48000},
        {"mixed_rates.mp3", framesMs(3, 1152, 44100) + framesMs(3, 576, 22050), 22050},
    };
    for (const Known& k : known) {
        const std::string path = (corpus / k.name).string();
        ASSERT_TRUE(fs::exists(path)) << "seed missing: " << k.name;
        int rate = -1;
        EXPECT_NEAR(readMp3Info(path, &rate), k.ms, 1e-2) << k.name;
        EXPECT_EQ(rate, k.rate) << k.name;
    }
}

} // namespace
} // namespace velomira
