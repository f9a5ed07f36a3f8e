// Runs every seed of the header fuzz target through the three readers and the single look:
// none may crash, read out of bounds (under the sanitizer build) or hang, the single look must
// agree with the readers, and the seeds with a known answer must give it.
#include "media/header_probe.h"
#include "media/picture_probe.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace velomira {
namespace {

namespace fs = std::filesystem;

struct Expected {
    PictureKind kind;
    int width; // 0: the size readers refuse the file
    int height;
};

// clang-format off
const std::map<std::string, Expected> kExpected = {
    {"empty.bin",                          {PictureKind::Unrecognised, 0, 0}},
    {"one_byte.bin",                       {PictureKind::Unrecognised, 0, 0}},
    {"text.txt",                           {PictureKind::Unrecognised, 0, 0}},
    {"riff_webp.bin",                      {PictureKind::Unrecognised, 0, 0}},
    {"ff_run.bin",                         {PictureKind::Unrecognised, 0, 0}},
    {"jpeg_baseline_8x6.jpg",              {PictureKind::Jpeg, 8, 6}},
    {"jpeg_progressive_12x10.jpg",         {PictureKind::Jpeg, 12, 10}},
    {"jpeg_sof3_only.jpg",                 {PictureKind::Jpeg, 0, 0}},
    {"jpeg_sof3_then_sof0.jpg",            {PictureKind::Jpeg, 50, 40}},
    {"jpeg_marker_not_ff.jpg",             {PictureKind::Jpeg, 0, 0}},
    {"jpeg_segment_length_0.jpg",          {PictureKind::Jpeg, 0, 0}},
    {"jpeg_segment_length_1.jpg",          {PictureKind::Jpeg, 0, 0}},
    {"jpeg_segment_past_eof.jpg",          {PictureKind::Jpeg, 0, 0}},
    {"jpeg_sof0_truncated.jpg",            {PictureKind::Jpeg, 0, 0}},
    {"jpeg_sof0_height_0.jpg",             {PictureKind::Jpeg, 0, 0}},
    {"jpeg_truncated_soi.jpg",             {PictureKind::Jpeg, 0, 0}},
    {"jpeg_truncated_marker.jpg",          {PictureKind::Jpeg, 0, 0}},
    {"jpeg_ff_run.jpg",                    {PictureKind::Jpeg, 0, 0}},
    {"gif89a_one_frame_gce.gif",           {PictureKind::Gif, 1, 1}},
    {"gif89a_two_frames.gif",              {PictureKind::AnimatedGif, 1, 1}},
    {"gif87a_one_frame.gif",               {PictureKind::Gif, 3, 2}},
    {"gif87a_two_frames.gif",              {PictureKind::Gif, 3, 2}},
    {"gif89a_all_extensions.gif",          {PictureKind::Gif, 5, 4}},
    {"gif89a_unknown_extension.gif",       {PictureKind::Gif, 5, 4}},
    {"gif89a_local_colour_table.gif",      {PictureKind::Gif, 2, 2}},
    {"gif89a_no_image.gif",                {PictureKind::Gif, 7, 9}},
    {"gif89a_many_subblocks.gif",          {PictureKind::Gif, 1, 1}},
    {"gif89a_subblock_past_eof.gif",       {PictureKind::Unrecognised, 1, 1}},
    {"gif89a_comment_past_eof.gif",        {PictureKind::Unrecognised, 1, 1}},
    {"gif89a_missing_trailer.gif",         {PictureKind::Unrecognised, 1, 1}},
    {"gif89a_stray_byte.gif",              {PictureKind::Unrecognised, 1, 1}},
    {"gif89a_huge_gct_20_bytes.gif",       {PictureKind::Unrecognised, 640, 480}},
    {"gif89a_lct_past_eof.gif",            {PictureKind::Unrecognised, 1, 1}},
    {"gif89a_extension_label_at_eof.gif",  {PictureKind::Unrecognised, 1, 1}},
    {"gif89a_gce_at_eof.gif",              {PictureKind::Unrecognised, 1, 1}},
    {"gif89a_application_truncated.gif",   {PictureKind::Unrecognised, 1, 1}},
    {"gif89a_zero_size.gif",               {PictureKind::Gif, 0, 0}},
    {"gif_truncated_header.gif",           {PictureKind::Unrecognised, 0, 0}},
    {"gif_signature_only.gif",             {PictureKind::Unrecognised, 0, 0}},
    {"bmp_4x3.bmp",                        {PictureKind::Bmp, 4, 3}},
    {"bmp_negative_height.bmp",            {PictureKind::Bmp, 4, 3}},
    {"bmp_height_int_min.bmp",             {PictureKind::Bmp, 0, 0}},
    {"bmp_file_size_0.bmp",                {PictureKind::Bmp, 0, 0}},
    {"bmp_core_header.bmp",                {PictureKind::Bmp, 6, 5}},
    {"bmp_core_header_1x1_1bit.bmp",       {PictureKind::Bmp, 1, 1}},
    {"bmp_truncated_header.bmp",           {PictureKind::Bmp, 0, 0}},
    {"bmp_zero_width.bmp",                 {PictureKind::Bmp, 0, 0}},
    {"png_3x2.png",                        {PictureKind::Png, 3, 2}},
    {"png_100000x100000.png",              {PictureKind::Png, 100000, 100000}},
    {"png_65536x1.png",                    {PictureKind::Png, 65536, 1}},
    {"png_width_above_int_max.png",        {PictureKind::Png, 0, 0}},
    {"png_zero_height.png",                {PictureKind::Png, 0, 0}},
    {"png_truncated_ihdr.png",             {PictureKind::Png, 0, 0}},
    {"png_signature_only.png",             {PictureKind::Png, 0, 0}},
    {"webp_9x7.webp",                      {PictureKind::Webp, 9, 7}},
    {"webp_riff_size_lies.webp",           {PictureKind::Unrecognised, 0, 0}},
    {"webp_truncated.webp",                {PictureKind::Unrecognised, 0, 0}},
    {"webp_animated_5x3.webp",             {PictureKind::Animated, 0, 0}},
    {"heic_10x6.heic",                     {PictureKind::Heif, 10, 6}},
    {"avif_6x10.avif",                     {PictureKind::Avif, 6, 10}},
    {"heic_truncated.heic",                {PictureKind::Heif, 0, 0}},
    {"heic_ispe_100000.heic",              {PictureKind::Heif, 0, 0}}, // over libheif's limit
    {"ftyp_avis_sequence.avif",            {PictureKind::Animated, 0, 0}},
    {"ftyp_msf1_sequence.heic",            {PictureKind::Animated, 0, 0}},
    {"ftyp_size_past_eof.heic",            {PictureKind::Unrecognised, 0, 0}},
    {"ftyp_size_below_16.heic",            {PictureKind::Unrecognised, 0, 0}},
    {"ftyp_mp4_video.mp4",                 {PictureKind::Unrecognised, 0, 0}},
    {"tiff_le_30x20.tif",                  {PictureKind::Tiff, 30, 20}},
    {"tiff_be_long_70000x3.tif",           {PictureKind::Tiff, 70000, 3}},
    {"tiff_ifd_loop.tif",                  {PictureKind::Tiff, 4, 4}},
    {"tiff_ifd_past_eof.tif",              {PictureKind::Tiff, 0, 0}},
    {"tiff_entry_count_huge.tif",          {PictureKind::Tiff, 0, 0}},
    {"tiff_no_size.tif",                   {PictureKind::Tiff, 0, 0}},
};
// clang-format on

struct Answers {
    PictureKind kind;
    int header;
    int width = 0;
    int height = 0;
    int described;
    PictureFacts facts; // the single look at the same file
};

Answers readAll(const std::string& path) {
    Answers answers{};
    answers.kind = probeImageKind(path);
    std::string format;
    answers.header = readImageHeader(path, &format, &answers.width, &answers.height);
    std::string text;
    answers.described = describeImageFile(path, text);
    answers.facts = probePicture(path);
    return answers;
}

TEST(HeaderCorpusTest, EverySeedEndsWithItsKnownAnswer) {
    const fs::path corpus = VELOMIRA_HEADER_CORPUS;
    ASSERT_TRUE(fs::is_directory(corpus)) << corpus;
    std::set<std::string> seen;
    for (const fs::directory_entry& entry : fs::directory_iterator(corpus)) {
        const std::string name = entry.path().filename().string();
        seen.insert(name);
        // A walk that never ends fails here instead of stalling the whole run.
        auto pending = std::async(std::launch::async, readAll, entry.path().string());
        if (pending.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            std::fprintf(stderr, "header readers hang on %s\n", name.c_str());
            std::_Exit(1);
        }
        Answers answers = pending.get();
        EXPECT_EQ(answers.facts.kind, answers.kind) << name;
        EXPECT_EQ(answers.facts.sized, answers.header == 1) << name;
        if (answers.facts.sized) {
            EXPECT_EQ(answers.facts.header.width, answers.width) << name;
            EXPECT_EQ(answers.facts.header.height, answers.height) << name;
        }
        auto known = kExpected.find(name);
        if (known == kExpected.end())
            continue; // a seed added without an answer still has to end cleanly
        const Expected& expected = known->second;
        EXPECT_EQ(answers.kind, expected.kind) << name;
        const int accepted = expected.width > 0 ? 1 : 0;
        EXPECT_EQ(answers.header, accepted) << name;
        EXPECT_EQ(answers.described, accepted) << name;
        if (accepted) {
            EXPECT_EQ(answers.width, expected.width) << name;
            EXPECT_EQ(answers.height, expected.height) << name;
        }
    }
    for (const auto& [name, expected] : kExpected)
        EXPECT_TRUE(seen.count(name)) << "seed missing from the corpus: " << name;
}

} // namespace
} // namespace velomira
