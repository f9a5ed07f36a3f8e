#pragma once
// How each row of a batch ended, and the report file that lists them (CSV or JSON, chosen by
// the file name's extension).
#include <string>
#include <vector>

namespace velomira {

enum class RowStatus { Done, Skipped, Failed, Stopped };

struct RowResult {
    int line = 0;
    std::string output;
    RowStatus status = RowStatus::Failed;
    int frames = -1; // -1: unknown (no video made)
    double seconds = 0;
    long memoryKb = 0; // the job's peak resident memory (the encoder not counted)
    std::string text;  // failure text, or why a row was skipped
};

const char* rowStatusName(RowStatus status);

std::string batchReportCsv(const std::vector<RowResult>& rows);
std::string batchReportJson(const std::vector<RowResult>& rows);

// Writes the report under a temporary name and renames it; false with a reason on failure.
bool writeBatchReport(const std::string& path, const std::vector<RowResult>& rows,
                      std::string& error);

// The exit code of a batch: 130 when it was stopped, 2 when a row failed, else 0.
int batchExitCode(const std::vector<RowResult>& rows, bool stopped);

} // namespace velomira
