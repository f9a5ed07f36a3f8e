// Feeds arbitrary bytes as a batch file. Whatever the bytes, rows come in file order with
// rising line numbers and consecutive indices, and a row without an error has an output and
// exactly one picture source.
#include "cli/batch_file.h"
#include "fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using velomira::fuzz::check;
    const velomira::BatchFile file =
        velomira::parseBatchText(std::string_view(reinterpret_cast<const char*>(data), size));
    check(file.error.empty() || file.rows.empty());
    int line = 1;
    int index = 0;
    for (const velomira::BatchRow& row : file.rows) {
        check(row.line > line && row.index == index++);
        line = row.line;
        if (!row.error.empty())
            continue;
        const int sources = !row.project.empty() + !row.pictures.empty() + !row.product.empty();
        check(!row.output.empty() && sources == 1);
        check(row.output.front() != ' ' && row.output.back() != ' ');
        for (const std::string& picture : row.pictures)
            check(!picture.empty() && picture.find('|') == std::string::npos);
    }
    return 0;
}
