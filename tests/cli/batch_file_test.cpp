// The batch file as read and planned: CSV quoting, per-row errors with their line numbers,
// header errors that refuse the file, duplicate outputs, shards and the arguments of a row.
#include "cli/batch_file.h"
#include "cli/batch_plan.h"
#include "cli/batch_report.h"
#include "cli/render_options.h"

#include <gtest/gtest.h>

namespace velomira {
namespace {

TEST(BatchFile, QuotingListsAndLineNumbers) {
    const BatchFile file =
        parseBatchText("\xEF\xBB\xBF"
                       "Output, pictures ,caption,music\r\n"
                       "a.mp4,x.jpg| y.jpg |,\"two\nlines, \"\"quoted\"\"\",m1.mp3|m2.mp3\r\n"
                       "\r\n"
                       "b,\"z.jpg\", padded ,\n");
    ASSERT_EQ(file.error, "");
    ASSERT_EQ(file.rows.size(), 2u);
    const BatchRow& a = file.rows[0];
    EXPECT_EQ(a.error, "");
    EXPECT_EQ(a.line, 2);
    EXPECT_EQ(a.output, "a.mp4");
    EXPECT_EQ(a.pictures, (std::vector<std::string>{"x.jpg", "y.jpg"}));
    EXPECT_EQ(a.caption, "two\nlines, \"quoted\"");
    EXPECT_EQ(a.music, (std::vector<std::string>{"m1.mp3", "m2.mp3"}));
    const BatchRow& b = file.rows[1];
    EXPECT_EQ(b.line, 5) << "a field over two lines and a blank line count";
    EXPECT_EQ(b.index, 1);
    EXPECT_EQ(b.caption, " padded ") << "a caption keeps its spaces";
    EXPECT_TRUE(b.music.empty());
}

TEST(BatchFile, ARowThatCannotBeReadFailsAloneWithItsLine) {
    const BatchFile file = parseBatchText("output,project,pictures,product,picture_type\n"
                                          "ok1,p.dat,,,\n"
                                          "ok2,,,http://h/a.jpg,1\n"
                                          "bad2,\"p\"x.dat,,,\n" // 4: text after quote
                                          "bad3,p.dat,,\n"       // 5: too few fields
                                          ",p.dat,,,\n"          // 6: no output
                                          "bad5,,,,\n"           // 7: no source
                                          "bad6,p.dat,a.jpg,,\n" // 8: two sources
                                          "bad7,p.dat,,,1\n"     // 9: type, no product
                                          "bad8,p\xff.dat,,,\n"  // 10: not UTF-8
                                          "bad1,\"p.dat,,,\n");  // 11: not closed
    ASSERT_EQ(file.error, "");
    const std::vector<std::pair<int, std::string>> expected = {
        {2, ""},
        {3, ""},
        {4, "a quoted field must end at a comma or at the end of the line"},
        {5, "the row has 4 fields, the header 5"},
        {6, "no output file"},
        {7, "no pictures: give project, pictures or product"},
        {8, "give only one of project, pictures and product"},
        {9, "picture_type belongs to a product row"},
        {10, "the project field is not UTF-8 text"},
        {11, "a quoted field is not closed"},
    };
    ASSERT_EQ(file.rows.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(file.rows[i].line, expected[i].first);
        EXPECT_EQ(file.rows[i].error, expected[i].second) << "line " << expected[i].first;
        EXPECT_EQ(file.rows[i].index, static_cast<int>(i));
    }
    EXPECT_EQ(file.rows[1].product, "http://h/a.jpg");
}

TEST(BatchFile, AHeaderThatCannotBeUsedRefusesTheFile) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "the batch file is empty: its first row names the columns"},
        {"\n\n", "the batch file is empty: its first row names the columns"},
        {"output,pictures,colour\n", "unknown column \"colour\""},
        {"output,pictures,Output\n", "the column output is named twice"},
        {"pictures,size\n", "the batch file has no output column"},
        {"output,size\n", "the batch file has no project, pictures or product column"},
        {"output,\"pictures\n", "line 1: a quoted field is not closed"},
    };
    for (const auto& [text, error] : cases)
        EXPECT_NE(parseBatchText(text).error.find(error), std::string::npos)
            << text << " gave " << parseBatchText(text).error;
    EXPECT_NE(readBatchFile("/no/such/jobs.csv").error.find("cannot read the batch file"),
              std::string::npos);
}

TEST(BatchPlan, RowsBecomeArgumentsOverTheCommandLineDefaults) {
    const BatchFile file = parseBatchText("output,pictures,music,size,pause,transition,cover\n"
                                          "out/a,a.jpg|/abs/b.jpg,,,,,\n"
                                          "/videos/b.mp4,c.jpg,tune.mp3,320x180,1.5,31,c.png\n"
                                          "c,c.jpg,,huge,,,\n");
    const std::vector<std::string> defaults = rowDefaultArguments(
        {"--batch", "jobs.csv", "--jobs", "2", "--size", "64x36", "--music", "default.mp3",
         "--shard", "0/1", "--report", "r.csv", "--force", "--quiet", "--jpeg-frames"});
    EXPECT_EQ(defaults, (std::vector<std::string>{"--size", "64x36", "--music", "default.mp3",
                                                  "--jpeg-frames"}));
    const BatchPlan plan = planBatch(file, defaults, "/work/batch", 0, 1);
    ASSERT_EQ(plan.error, "");
    ASSERT_EQ(plan.jobs.size(), 3u);
    EXPECT_EQ(plan.jobs[0].output, "/work/batch/out/a.mp4");
    EXPECT_EQ(
        plan.jobs[0].arguments,
        (std::vector<std::string>{"--size", "64x36", "--music", "default.mp3", "--jpeg-frames",
                                  "--pictures", "/work/batch/a.jpg", "/abs/b.jpg"}));
    EXPECT_EQ(plan.jobs[1].output, "/videos/b.mp4");
    EXPECT_EQ(plan.jobs[1].arguments,
              (std::vector<std::string>{"--size", "64x36", "--jpeg-frames", "--pictures",
                                        "/work/batch/c.jpg", "--music", "/work/batch/tune.mp3",
                                        "--size", "320x180", "--pause", "1.5", "--transition", "31",
                                        "--cover", "/work/batch/c.png"}))
        << "the row's music replaces the default music";
    EXPECT_NE(plan.jobs[2].error.find("--size"), std::string::npos)
        << "a value the program refuses fails its row";

    const BatchFile filled = parseBatchText("output,pictures,size,fill,safe_areas\n"
                                            "a,a.jpg,9:16,blur,off\n"
                                            "b,b.jpg,,,\n"
                                            "c,c.jpg,,stretch,\n");
    const BatchPlan fillPlan = planBatch(filled, {}, "/w", 0, 1);
    ASSERT_EQ(fillPlan.jobs.size(), 3u);
    EXPECT_EQ(fillPlan.jobs[0].arguments,
              (std::vector<std::string>{"--pictures", "/w/a.jpg", "--size", "9:16", "--fill",
                                        "blur", "--safe-areas", "off"}));
    EXPECT_EQ(fillPlan.jobs[1].arguments, (std::vector<std::string>{"--pictures", "/w/b.jpg"}));
    EXPECT_NE(fillPlan.jobs[2].error.find("--fill"), std::string::npos);
}

TEST(BatchPlan, TheFocusColumnBecomesItsOption) {
    const BatchFile file = parseBatchText("output,pictures,focus\n"
                                          "a,a.jpg,auto\n"
                                          "b,b.jpg,\n"
                                          "c,c.jpg,faces\n");
    const BatchPlan plan = planBatch(file, {}, "/w", 0, 1);
    ASSERT_EQ(plan.jobs.size(), 3u);
    EXPECT_EQ(plan.jobs[0].arguments,
              (std::vector<std::string>{"--pictures", "/w/a.jpg", "--focus", "auto"}));
    EXPECT_EQ(plan.jobs[1].arguments, (std::vector<std::string>{"--pictures", "/w/b.jpg"}));
    EXPECT_NE(plan.jobs[2].error.find("--focus"), std::string::npos);
}

TEST(BatchPlan, SizeCapAndPresetColumnsBecomeTheirOptions) {
    const BatchFile file = parseBatchText("output,pictures,max_size,preset\n"
                                          "a,a.jpg,16M,reels\n"
                                          "b,b.jpg,,\n"
                                          "c,c.jpg,lots,\n");
    const BatchPlan plan = planBatch(file, {"--max-size", "8M"}, "/w", 0, 1);
    ASSERT_EQ(plan.error, "");
    ASSERT_EQ(plan.jobs.size(), 3u);
    EXPECT_EQ(plan.jobs[0].arguments,
              (std::vector<std::string>{"--max-size", "8M", "--pictures", "/w/a.jpg", "--max-size",
                                        "16M", "--preset", "reels"}));
    EXPECT_EQ(plan.jobs[1].arguments,
              (std::vector<std::string>{"--max-size", "8M", "--pictures", "/w/b.jpg"}));
    EXPECT_NE(plan.jobs[2].error.find("--max-size"), std::string::npos) << plan.jobs[2].error;
}

TEST(BatchPlan, RangeColumnsBecomeTheirOptions) {
    const BatchFile file = parseBatchText("output,pictures,from,to\n"
                                          "a,a.jpg|b.jpg|c.jpg,2,3\n"
                                          "b,b.jpg,,\n"
                                          "c,c.jpg,second,\n");
    const BatchPlan plan = planBatch(file, {}, "/w", 0, 1);
    ASSERT_EQ(plan.error, "");
    ASSERT_EQ(plan.jobs.size(), 3u);
    EXPECT_EQ(plan.jobs[0].arguments,
              (std::vector<std::string>{"--pictures", "/w/a.jpg", "/w/b.jpg", "/w/c.jpg", "--from",
                                        "2", "--to", "3"}));
    EXPECT_EQ(plan.jobs[1].arguments, (std::vector<std::string>{"--pictures", "/w/b.jpg"}));
    EXPECT_NE(plan.jobs[2].error.find("--from"), std::string::npos) << plan.jobs[2].error;
    // On the batch's own line a range would name pictures of no one album.
    EXPECT_NE(parseRenderOptions({"--batch", "jobs.csv", "--from", "2"}).error.find("--from"),
              std::string::npos);
}

TEST(BatchPlan, PictureTimesAndBeatColumnsBecomeTheirOptions) {
    const BatchFile file = parseBatchText("output,pictures,pauses,beat_sync\n"
                                          "a,a.jpg|b.jpg,1.5||0,on\n"
                                          "b,b.jpg,,off\n"
                                          "c,c.jpg,2|x,\n"
                                          "d,d.jpg,,maybe\n");
    const BatchPlan plan = planBatch(file, {}, "/w", 0, 1);
    ASSERT_EQ(plan.error, "");
    ASSERT_EQ(plan.jobs.size(), 4u);
    EXPECT_EQ(plan.jobs[0].arguments,
              (std::vector<std::string>{"--pictures", "/w/a.jpg", "/w/b.jpg", "--pauses", "1.5||0",
                                        "--beat-sync"}));
    EXPECT_EQ(plan.jobs[1].arguments,
              (std::vector<std::string>{"--pictures", "/w/b.jpg", "--no-beat-sync"}));
    EXPECT_NE(plan.jobs[2].error.find("--pauses"), std::string::npos) << plan.jobs[2].error;
    EXPECT_NE(plan.jobs[3].error.find("--beat-sync"), std::string::npos) << plan.jobs[3].error;
}

TEST(BatchPlan, MusicFadeAndLoudnessColumnsBecomeTheirOptions) {
    const BatchFile file = parseBatchText("output,pictures,music_fade,loudness\n"
                                          "a,a.jpg,3,-16\n"
                                          "b,b.jpg,off,off\n"
                                          "c,c.jpg,,\n"
                                          "d,d.jpg,long,\n");
    const BatchPlan plan = planBatch(file, {}, "/w", 0, 1);
    ASSERT_EQ(plan.error, "");
    ASSERT_EQ(plan.jobs.size(), 4u);
    EXPECT_EQ(plan.jobs[0].arguments,
              (std::vector<std::string>{"--pictures", "/w/a.jpg", "--music-fade", "3", "--loudness",
                                        "-16"}));
    EXPECT_EQ(plan.jobs[1].arguments,
              (std::vector<std::string>{"--pictures", "/w/b.jpg", "--no-music-fade", "--loudness",
                                        "off"}));
    EXPECT_EQ(plan.jobs[2].arguments, (std::vector<std::string>{"--pictures", "/w/c.jpg"}));
    EXPECT_NE(plan.jobs[3].error.find("--music-fade"), std::string::npos) << plan.jobs[3].error;
}

TEST(BatchPlan, EncoderSpeedColumnBecomesItsOptionAndABadSpeedFailsItsRow) {
    const BatchFile file = parseBatchText("output,pictures,encoder_speed\n"
                                          "a,a.jpg,fast\n"
                                          "b,b.jpg,\n"
                                          "c,c.jpg,turbo\n");
    const BatchPlan plan = planBatch(file, {"--encoder-speed", "fine"}, "/w", 0, 1);
    ASSERT_EQ(plan.error, "");
    ASSERT_EQ(plan.jobs.size(), 3u);
    EXPECT_EQ(plan.jobs[0].arguments,
              (std::vector<std::string>{"--encoder-speed", "fine", "--pictures", "/w/a.jpg",
                                        "--encoder-speed", "fast"}));
    EXPECT_EQ(plan.jobs[1].arguments,
              (std::vector<std::string>{"--encoder-speed", "fine", "--pictures", "/w/b.jpg"}));
    EXPECT_NE(plan.jobs[2].error.find("--encoder-speed"), std::string::npos) << plan.jobs[2].error;
}

TEST(BatchPlan, ShardsSplitTheRowsAndDuplicatesRefuseEveryShard) {
    std::string text = "output,pictures\n";
    for (int i = 0; i < 10; ++i)
        text += "v" + std::to_string(i) + ",p.jpg\n";
    const BatchFile file = parseBatchText(text);
    std::vector<int> seen;
    for (int shard = 0; shard < 3; ++shard) {
        const BatchPlan plan = planBatch(file, {}, "/b", shard, 3);
        for (const BatchJob& job : plan.jobs) {
            EXPECT_EQ(job.index % 3, shard);
            seen.push_back(job.index);
        }
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));

    const BatchFile twice = parseBatchText("output,pictures\n"
                                           "a.mp4,p.jpg\n"
                                           "b,p.jpg\n"
                                           "sub/../a,p.jpg\n");
    for (int shard = 0; shard < 2; ++shard) {
        const BatchPlan plan = planBatch(twice, {}, "/b", shard, 2);
        EXPECT_NE(plan.error.find("lines 2 and 4 both write /b/a.mp4"), std::string::npos)
            << plan.error;
        EXPECT_TRUE(plan.jobs.empty());
    }
}

TEST(BatchReport, CsvQuotesTextsAndExitCodesFollowTheWorstRow) {
    std::vector<RowResult> rows(2);
    rows[0] = {2, "/v/a.mp4", RowStatus::Done, 75, 1.234, 60000, ""};
    rows[1] = {3, "/v/b,c.mp4", RowStatus::Failed, -1, 0.5, 0, "said \"no\""};
    EXPECT_EQ(batchReportCsv(rows), "line,output,status,frames,seconds,memory_kb,error\n"
                                    "2,/v/a.mp4,done,75,1.23,60000,\n"
                                    "3,\"/v/b,c.mp4\",failed,,0.50,,\"said \"\"no\"\"\"\n");
    EXPECT_EQ(batchExitCode(rows, false), 2);
    EXPECT_EQ(batchExitCode(rows, true), 130);
    rows[1].status = RowStatus::Skipped;
    EXPECT_EQ(batchExitCode(rows, false), 0);
    // The report reads back as the batch file reader reads CSV.
    const BatchFile back = parseBatchText("output,pictures\n\"/v/b,c.mp4\",\"said \"\"no\"\"\"\n");
    ASSERT_EQ(back.rows.size(), 1u);
    EXPECT_EQ(back.rows[0].output, "/v/b,c.mp4");
}

TEST(BatchReport, CsvCellsASpreadsheetWouldRunAsFormulasAreQuotedAsText) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"=HYPERLINK(\"http://x\").mp4", "\"'=HYPERLINK(\"\"http://x\"\").mp4\""},
        {"+1.mp4", "'+1.mp4"},
        {"-rf.mp4", "'-rf.mp4"},
        {"@SUM(A1),x", "\"'@SUM(A1),x\""},
        {"/v/a=b+c-d@e.mp4", "/v/a=b+c-d@e.mp4"},
        {"", ""},
    };
    for (const auto& [text, cell] : cases) {
        const std::vector<RowResult> rows{{2, text, RowStatus::Failed, -1, 0, 0, text}};
        EXPECT_EQ(batchReportCsv(rows), "line,output,status,frames,seconds,memory_kb,error\n"
                                        "2," +
                                            cell + ",failed,,0.00,," + cell + "\n");
        EXPECT_NE(batchReportJson(rows).find("\"status\":\t\"failed\""), std::string::npos);
        if (!text.empty()) {
            EXPECT_EQ(batchReportJson(rows).find("'"), std::string::npos)
                << "the JSON report keeps the text as it is";
        }
    }
    const std::vector<RowResult> locked{{4, "/v/a.mp4", RowStatus::Locked, -1, 0, 0, "held"}};
    EXPECT_EQ(batchExitCode(locked, false), 2);
}

} // namespace
} // namespace velomira
