#pragma once
// A batch file: CSV text (comma separated, RFC 4180 quoting, UTF-8 with or without a byte
// order mark) whose header row names the columns and whose every further row describes one
// video. Reading never touches the files the rows name. A row that cannot be understood
// carries its own error and line number, so it fails alone; only a header that cannot be
// used refuses the whole file.
#include <string>
#include <string_view>
#include <vector>

namespace velomira {

struct BatchRow {
    int line = 0;  // line of the file where the row starts (1-based)
    int index = 0; // 0-based among the data rows: the shard key
    std::string error;
    std::string output;
    std::string project;
    std::vector<std::string> pictures; // `|`-separated in the file
    std::string product;
    std::string pictureType;
    std::string caption;
    std::vector<std::string> music; // `|`-separated in the file
    std::string size;
    std::string pause;
    std::string pauses;   // --pauses: the pictures' own times, `|`-separated as on the line
    std::string beatSync; // on or off
    std::string transition;
    std::string cover;
    std::string logo;
    std::string fill;         // fit, crop or blur
    std::string safeAreas;    // on or off
    std::string maxSize;      // --max-size
    std::string preset;       // --preset
    std::string encoderSpeed; // fast, standard or fine
    std::string from;         // --from: the first picture of a range
    std::string to;           // --to: its last picture
    std::string musicFade;    // --music-fade SECONDS, or off for --no-music-fade
    std::string loudness;     // --loudness LUFS|off
    std::string focus;        // auto or center
};

struct BatchFile {
    std::string error; // the header cannot be used: nothing of the file runs
    std::vector<BatchRow> rows;
};

// The column names a header may use.
const std::vector<std::string>& batchColumns();

BatchFile parseBatchText(std::string_view bytes);

// Reads and parses the file; an unreadable file is an error of the whole batch.
BatchFile readBatchFile(const std::string& path);

} // namespace velomira
