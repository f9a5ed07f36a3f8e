#include "cli/batch_plan.h"

#include "cli/render_options.h"
#include "video/generation_plan.h"

#include <unordered_map>

namespace velomira {

namespace {

std::string fromFolder(const std::filesystem::path& folder, const std::string& name) {
    const std::filesystem::path path(name);
    return (path.is_absolute() ? path : folder / path).lexically_normal().string();
}

std::vector<std::string> rowArguments(const BatchRow& row, const std::vector<std::string>& defaults,
                                      const std::filesystem::path& folder) {
    std::vector<std::string> args;
    // A row's music replaces the command line's; every other option given again overrides.
    for (std::size_t i = 0; i < defaults.size(); ++i) {
        if (!row.music.empty() && defaults[i] == "--music" && i + 1 < defaults.size()) {
            ++i;
            continue;
        }
        args.push_back(defaults[i]);
    }
    if (!row.project.empty()) {
        args.push_back(fromFolder(folder, row.project));
    } else if (!row.pictures.empty()) {
        args.push_back("--pictures");
        for (const std::string& picture : row.pictures)
            args.push_back(fromFolder(folder, picture));
    } else {
        args.insert(args.end(), {"--product", row.product});
        if (!row.pictureType.empty())
            args.insert(args.end(), {"--picture-type", row.pictureType});
    }
    auto option = [&](const char* name, const std::string& value) {
        if (!value.empty())
            args.insert(args.end(), {name, value});
    };
    option("--caption", row.caption);
    for (const std::string& track : row.music)
        option("--music", fromFolder(folder, track));
    option("--size", row.size);
    option("--pause", row.pause);
    option("--transition", row.transition);
    if (!row.cover.empty())
        option("--cover", fromFolder(folder, row.cover));
    if (!row.logo.empty())
        option("--logo", fromFolder(folder, row.logo));
    return args;
}

} // namespace

std::vector<std::string> rowDefaultArguments(const std::vector<std::string>& args) {
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--batch" || arg == "--jobs" || arg == "--shard" || arg == "--report") {
            ++i;
            continue;
        }
        if (arg == "--force" || arg == "--quiet")
            continue;
        kept.push_back(arg);
    }
    return kept;
}

BatchPlan planBatch(const BatchFile& file, const std::vector<std::string>& defaults,
                    const std::filesystem::path& batchFolder, int shardIndex, int shardCount) {
    BatchPlan plan;
    if (!file.error.empty()) {
        plan.error = file.error;
        return plan;
    }
    // Every shard reads the whole file, so each refuses the same duplicates.
    std::unordered_map<std::string, int> lineOfOutput;
    std::string duplicates;
    for (const BatchRow& row : file.rows) {
        if (row.output.empty())
            continue;
        const std::string output = withMp4Extension(fromFolder(batchFolder, row.output));
        const auto [at, added] = lineOfOutput.emplace(output, row.line);
        if (!added) {
            duplicates += (duplicates.empty() ? "" : "\n") + std::string("lines ") +
                          std::to_string(at->second) + " and " + std::to_string(row.line) +
                          " both write " + output;
        }
    }
    if (!duplicates.empty()) {
        plan.error = "two rows may not write the same video:\n" + duplicates;
        return plan;
    }
    for (const BatchRow& row : file.rows) {
        if (row.index % shardCount != shardIndex)
            continue;
        BatchJob job;
        job.line = row.line;
        job.index = row.index;
        job.error = row.error;
        if (!row.output.empty())
            job.output = withMp4Extension(fromFolder(batchFolder, row.output));
        if (job.error.empty()) {
            job.arguments = rowArguments(row, defaults, batchFolder);
            std::vector<std::string> check = job.arguments;
            check.insert(check.end(), {"-o", job.output});
            job.error = parseRenderOptions(check).error;
        }
        plan.jobs.push_back(std::move(job));
    }
    return plan;
}

} // namespace velomira
