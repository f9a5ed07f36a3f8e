#pragma once
// How each row of a batch ended, and the report file that lists them (CSV or JSON, chosen by
// the file name's extension).
#include <string>
#include <vector>

namespace velomira {

// Skipped: already made. Locked: not made because another process holds its lock.
enum class RowStatus { Done, Skipped, Failed, Stopped, Locked };

struct RowResult {
    int line = 0;
    std::string output;
    RowStatus status = RowStatus::Failed;
    int frames = -1; // -1: unknown (no video made)
    double seconds = 0;
    long memoryKb = 0; // the job's peak resident memory (the encoder not counted)
    std::string text;  // failure text, or why a row was skipped or locked
};

const char* rowStatusName(RowStatus status);

std::string batchReportCsv(const std::vector<RowResult>& rows);
std::string batchReportJson(const std::vector<RowResult>& rows);

// Writes the report under a temporary name and renames it; false with a reason on failure.
bool writeBatchReport(const std::string& path, const std::vector<RowResult>& rows,
                      std::string& error);

// Refuses, before any work, a report path whose folder takes no new file or that is a folder.
bool checkReportWritable(const std::string& path, std::string& error);

// The exit code of a batch: 130 when it was stopped, 2 when a row was not made (failed,
// stopped or locked), else 0.
int batchExitCode(const std::vector<RowResult>& rows, bool stopped);

} // namespace velomira
