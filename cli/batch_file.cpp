#include "cli/batch_file.h"

#include "platform/unique_fd.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velomira {

namespace {

constexpr long kMaxBatchMegabytes = 64;
constexpr off_t kMaxBatchBytes = off_t{kMaxBatchMegabytes} * 1024 * 1024;

struct Record {
    int line = 0;
    std::vector<std::string> fields;
    std::string error;
};

// Reads one record starting at pos; pos ends after its line end. A broken record ends at the
// end of the line it started on, so the rows after it still read.
class CsvReader {
  public:
    explicit CsvReader(std::string_view text) : text_(text) {}

    bool atEnd() const { return pos_ >= text_.size(); }

    Record next() {
        Record record;
        record.line = line_;
        const std::size_t start = pos_;
        const int startLine = line_;
        std::string field;
        for (;;) {
            if (pos_ < text_.size() && text_[pos_] == '"') {
                if (!readQuoted(field)) {
                    record.error = "a quoted field is not closed";
                    return skipLine(record, start, startLine);
                }
                if (pos_ < text_.size() && text_[pos_] != ',' && !atLineEnd()) {
                    record.error = "a quoted field must end at a comma or at the end of the line";
                    return skipLine(record, start, startLine);
                }
            } else {
                while (pos_ < text_.size() && text_[pos_] != ',' && !atLineEnd())
                    field += text_[pos_++];
            }
            record.fields.push_back(std::move(field));
            field.clear();
            if (pos_ < text_.size() && text_[pos_] == ',') {
                ++pos_;
                continue;
            }
            consumeLineEnd();
            return record;
        }
    }

  private:
    bool atLineEnd() const {
        return text_[pos_] == '\n' ||
               (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n');
    }

    void consumeLineEnd() {
        if (pos_ < text_.size() && text_[pos_] == '\r')
            ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '\n') {
            ++pos_;
            ++line_;
        }
    }

    bool readQuoted(std::string& field) {
        ++pos_;
        while (pos_ < text_.size()) {
            const char c = text_[pos_++];
            if (c == '"') {
                if (pos_ < text_.size() && text_[pos_] == '"') {
                    field += '"';
                    ++pos_;
                    continue;
                }
                return true;
            }
            if (c == '\n')
                ++line_;
            field += c;
        }
        return false;
    }

    Record skipLine(Record& record, std::size_t start, int startLine) {
        const std::size_t end = text_.find('\n', start);
        pos_ = end == std::string_view::npos ? text_.size() : end + 1;
        line_ = startLine + 1;
        record.fields.clear();
        return std::move(record);
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    int line_ = 1;
};

bool isUtf8(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        int extra = 0;
        unsigned minimum = 0;
        unsigned value = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1, minimum = 0x80, value = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2, minimum = 0x800, value = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3, minimum = 0x10000, value = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= text.size())
            return false;
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            value = value << 6 | (next & 0x3F);
        }
        if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string lowered(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> items;
    std::size_t start = 0;
    for (;;) {
        const std::size_t bar = text.find('|', start);
        std::string item = trimmed(text.substr(start, bar - start));
        if (!item.empty())
            items.push_back(std::move(item));
        if (bar == std::string::npos)
            return items;
        start = bar + 1;
    }
}

bool isBlank(const Record& record) {
    return record.error.empty() && record.fields.size() == 1 && trimmed(record.fields[0]).empty();
}

void assign(BatchRow& row, const std::string& column, const std::string& raw) {
    const std::string value = column == "caption" ? raw : trimmed(raw);
    if (column == "output")
        row.output = value;
    else if (column == "project")
        row.project = value;
    else if (column == "pictures")
        row.pictures = splitList(value);
    else if (column == "product")
        row.product = value;
    else if (column == "picture_type")
        row.pictureType = value;
    else if (column == "caption")
        row.caption = value;
    else if (column == "music")
        row.music = splitList(value);
    else if (column == "size")
        row.size = value;
    else if (column == "pause")
        row.pause = value;
    else if (column == "pauses")
        row.pauses = value;
    else if (column == "beat_sync")
        row.beatSync = value;
    else if (column == "transition")
        row.transition = value;
    else if (column == "cover")
        row.cover = value;
    else if (column == "logo")
        row.logo = value;
    else if (column == "fill")
        row.fill = value;
    else if (column == "focus")
        row.focus = value;
    else if (column == "safe_areas")
        row.safeAreas = value;
    else if (column == "max_size")
        row.maxSize = value;
    else if (column == "preset")
        row.preset = value;
    else if (column == "from")
        row.from = value;
    else if (column == "to")
        row.to = value;
    else if (column == "music_fade")
        row.musicFade = value;
    else if (column == "loudness")
        row.loudness = value;
    else if (column == "encoder_speed")
        row.encoderSpeed = value;
}

std::string rowError(const BatchRow& row) {
    if (row.output.empty())
        return "no output file";
    const int sources = !row.project.empty() + !row.pictures.empty() + !row.product.empty();
    if (sources == 0)
        return "no pictures: give project, pictures or product";
    if (sources > 1)
        return "give only one of project, pictures and product";
    if (!row.pictureType.empty() && row.product.empty())
        return "picture_type belongs to a product row";
    return {};
}

} // namespace

const std::vector<std::string>& batchColumns() {
    static const std::vector<std::string> columns{
        "output", "project",    "pictures",   "product",    "picture_type",  "caption",
        "music",  "size",       "pause",      "transition", "cover",         "logo",
        "fill",   "safe_areas", "max_size",   "preset",     "from",          "to",
        "pauses", "beat_sync",  "music_fade", "loudness",   "encoder_speed", "focus"};
    return columns;
}

BatchFile parseBatchText(std::string_view bytes) {
    BatchFile file;
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    CsvReader reader(bytes);
    std::vector<std::string> header;
    while (!reader.atEnd() && header.empty()) {
        Record record = reader.next();
        if (isBlank(record))
            continue;
        if (!record.error.empty()) {
            file.error = "line " + std::to_string(record.line) + ": " + record.error;
            return file;
        }
        for (const std::string& name : record.fields) {
            std::string column = lowered(trimmed(name));
            const auto& known = batchColumns();
            if (std::find(known.begin(), known.end(), column) == known.end()) {
                std::string list;
                for (const std::string& k : known)
                    list += (list.empty() ? "" : ", ") + k;
                file.error =
                    "unknown column \"" + trimmed(name) + "\" (the columns are " + list + ")";
                return file;
            }
            if (std::find(header.begin(), header.end(), column) != header.end()) {
                file.error = "the column " + column + " is named twice";
                return file;
            }
            header.push_back(std::move(column));
        }
    }
    if (header.empty()) {
        file.error = "the batch file is empty: its first row names the columns";
        return file;
    }
    auto has = [&](const char* name) {
        return std::find(header.begin(), header.end(), name) != header.end();
    };
    if (!has("output")) {
        file.error = "the batch file has no output column";
        return file;
    }
    if (!has("project") && !has("pictures") && !has("product")) {
        file.error = "the batch file has no project, pictures or product column";
        return file;
    }
    int index = 0;
    while (!reader.atEnd()) {
        Record record = reader.next();
        if (isBlank(record))
            continue;
        BatchRow row;
        row.line = record.line;
        row.index = index++;
        if (!record.error.empty()) {
            row.error = record.error;
        } else if (record.fields.size() != header.size()) {
            row.error = "the row has " + std::to_string(record.fields.size()) +
                        " fields, the header " + std::to_string(header.size());
        } else {
            for (std::size_t i = 0; i < header.size() && row.error.empty(); ++i) {
                if (!isUtf8(record.fields[i])) {
                    row.error = "the " + header[i] + " field is not UTF-8 text";
                    continue;
                }
                // Kept even then, so that a NUL in an output can refuse the whole batch.
                assign(row, header[i], record.fields[i]);
                if (record.fields[i].find('\0') != std::string::npos)
                    row.error = "the " + header[i] + " field holds a NUL byte";
            }
            if (row.error.empty())
                row.error = rowError(row);
        }
        file.rows.push_back(std::move(row));
    }
    return file;
}

BatchFile readBatchFile(const std::string& path) {
    BatchFile file;
    // Opened without waiting, then judged by what was opened: a pipe with no writer would
    // hang the read, a device would never end, and a check by name could meet another file.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid()) {
        file.error = "cannot read the batch file " + path + ": " + std::strerror(errno);
        return file;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        file.error = "cannot read the batch file " + path + ": " + std::strerror(errno);
        return file;
    }
    if (S_ISDIR(info.st_mode)) {
        file.error = "the batch file " + path + " is a folder";
        return file;
    }
    if (!S_ISREG(info.st_mode)) {
        file.error = "the batch file " + path + " is not a regular file";
        return file;
    }
    const std::string tooLarge =
        "the batch file " + path + " is larger than " + std::to_string(kMaxBatchMegabytes) + " MB";
    if (info.st_size > kMaxBatchBytes) {
        file.error = tooLarge;
        return file;
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            file.error = "cannot read the batch file " + path + ": " + std::strerror(errno);
            return file;
        }
        if (got == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(got));
        // The file may grow while it is read.
        if (bytes.size() > static_cast<std::size_t>(kMaxBatchBytes)) {
            file.error = tooLarge;
            return file;
        }
    }
    return parseBatchText(bytes);
}

} // namespace velomira
