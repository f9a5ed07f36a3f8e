#include "cli/batch_report.h"

#include "app/json_handles.h"
#include "platform/unique_fd.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace velomira {

namespace {

std::string csvField(const std::string& value) {
    // A spreadsheet opening the report would run such a cell as a formula.
    const std::string text =
        !value.empty() && std::string_view("=+-@").find(value[0]) != std::string_view::npos
            ? "'" + value
            : value;
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

double roundedSeconds(double seconds) {
    return std::round(seconds * 100.0) / 100.0;
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

} // namespace

const char* rowStatusName(RowStatus status) {
    switch (status) {
    case RowStatus::Done:
        return "done";
    case RowStatus::Skipped:
        return "skipped";
    case RowStatus::Failed:
        return "failed";
    case RowStatus::Stopped:
        return "stopped";
    case RowStatus::Locked:
        return "locked";
    }
    return "failed";
}

std::string batchReportCsv(const std::vector<RowResult>& rows) {
    std::string text = "line,output,status,frames,seconds,memory_kb,error\n";
    for (const RowResult& row : rows) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.2f", roundedSeconds(row.seconds));
        text += std::to_string(row.line) + "," + csvField(row.output) + "," +
                rowStatusName(row.status) + "," +
                (row.frames >= 0 ? std::to_string(row.frames) : "") + "," + seconds + "," +
                (row.memoryKb > 0 ? std::to_string(row.memoryKb) : "") + "," + csvField(row.text) +
                "\n";
    }
    return text;
}

std::string batchReportJson(const std::vector<RowResult>& rows) {
    JsonTree root(cJSON_CreateArray());
    for (const RowResult& row : rows) {
        cJSON* entry = cJSON_CreateObject();
        cJSON_AddNumberToObject(entry, "line", row.line);
        cJSON_AddStringToObject(entry, "output", row.output.c_str());
        cJSON_AddStringToObject(entry, "status", rowStatusName(row.status));
        if (row.frames >= 0)
            cJSON_AddNumberToObject(entry, "frames", row.frames);
        else
            cJSON_AddNullToObject(entry, "frames");
        cJSON_AddNumberToObject(entry, "seconds", roundedSeconds(row.seconds));
        cJSON_AddNumberToObject(entry, "memoryKb", static_cast<double>(row.memoryKb));
        cJSON_AddStringToObject(entry, "error", row.text.c_str());
        cJSON_AddItemToArray(root.get(), entry);
    }
    JsonText text(cJSON_Print(root.get()));
    return text ? std::string(text.get()) + "\n" : std::string("[]\n");
}

bool writeBatchReport(const std::string& path, const std::vector<RowResult>& rows,
                      std::string& error) {
    const std::string text = endsWith(path, ".json") || endsWith(path, ".JSON")
                                 ? batchReportJson(rows)
                                 : batchReportCsv(rows);
    const std::string temporary = path + ".part" + std::to_string(getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) {
            error = "cannot write the report " + path + ": " + std::strerror(errno);
            out.close();
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot write the report " + path + ": " + std::strerror(errno);
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

bool checkReportWritable(const std::string& path, std::string& error) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        error = "cannot write the report " + path + ": " + std::strerror(EISDIR);
        return false;
    }
    // The report is written under this name and renamed, so the folder must take new files.
    const std::string probe = path + ".part" + std::to_string(getpid());
    UniqueFd fd(::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (!fd.valid()) {
        error = "cannot write the report " + path + ": " + std::strerror(errno);
        return false;
    }
    fd.reset();
    ::unlink(probe.c_str());
    return true;
}

int batchExitCode(const std::vector<RowResult>& rows, bool stopped) {
    if (stopped)
        return 130;
    for (const RowResult& row : rows)
        if (row.status == RowStatus::Failed || row.status == RowStatus::Stopped ||
            row.status == RowStatus::Locked)
            return 2;
    return 0;
}

} // namespace velomira
