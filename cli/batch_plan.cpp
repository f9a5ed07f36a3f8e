#include "cli/batch_plan.h"

#include "cli/render_options.h"
#include "video/generation_plan.h"

#include <sys/stat.h>
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
    option("--pauses", row.pauses);
    // on or off; anything else reaches the parser as an option it refuses, failing the row.
    if (!row.beatSync.empty())
        args.push_back(row.beatSync == "on"    ? "--beat-sync"
                       : row.beatSync == "off" ? "--no-beat-sync"
                                               : "--beat-sync=" + row.beatSync);
    option("--transition", row.transition);
    option("--fill", row.fill);
    option("--focus", row.focus);
    option("--safe-areas", row.safeAreas);
    option("--max-size", row.maxSize);
    option("--encoder-speed", row.encoderSpeed);
    option("--preset", row.preset);
    option("--from", row.from);
    option("--to", row.to);
    if (row.musicFade == "off")
        args.push_back("--no-music-fade");
    else
        option("--music-fade", row.musicFade);
    option("--loudness", row.loudness);
    if (!row.cover.empty())
        option("--cover", fromFolder(folder, row.cover));
    if (!row.logo.empty())
        option("--logo", fromFolder(folder, row.logo));
    return args;
}

// Where a video really lands: the nearest existing folder above it, by device and inode, and
// the rest of its name. Two rows that meet through a symbolic link get one key.
std::string fileIdentity(const std::string& output) {
    std::filesystem::path existing = std::filesystem::path(output).parent_path();
    std::filesystem::path rest = std::filesystem::path(output).filename();
    struct stat info {};
    while (::stat(existing.c_str(), &info) != 0) {
        if (!existing.has_relative_path())
            return output;
        rest = existing.filename() / rest;
        existing = existing.parent_path();
    }
    return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino) + "/" + rest.string();
}

// Checks that need the whole file. Every shard reads the whole file, so each refuses the same
// rows.
std::string refusedRows(const BatchFile& file, const std::filesystem::path& batchFolder) {
    std::string nulls;
    for (const BatchRow& row : file.rows)
        if (row.output.find('\0') != std::string::npos)
            nulls += "\nline " + std::to_string(row.line) + ": the output field holds a NUL byte";
    if (!nulls.empty())
        return "a row's output cannot be a file name:" + nulls;
    struct Seen {
        int line;
        std::string output;
    };
    std::unordered_map<std::string, Seen> seen;
    std::string duplicates;
    for (const BatchRow& row : file.rows) {
        if (row.output.empty())
            continue;
        const std::string output = withMp4Extension(fromFolder(batchFolder, row.output));
        const auto [at, added] = seen.emplace(fileIdentity(output), Seen{row.line, output});
        if (!added) {
            duplicates += (duplicates.empty() ? "" : "\n") + std::string("lines ") +
                          std::to_string(at->second.line) + " and " + std::to_string(row.line) +
                          " both write " + at->second.output;
            if (at->second.output != output)
                duplicates += " (also named " + output + ")";
        }
    }
    if (!duplicates.empty())
        return "two rows may not write the same video:\n" + duplicates;
    return {};
}

std::vector<std::string> rowInputs(const BatchFile& file, const std::filesystem::path& folder) {
    std::vector<std::string> inputs;
    for (const BatchRow& row : file.rows) {
        std::vector<std::string> named = row.pictures;
        named.insert(named.end(), row.music.begin(), row.music.end());
        named.insert(named.end(), {row.project, row.cover, row.logo});
        for (const std::string& name : named) {
            if (!name.empty() && name.find('\0') == std::string::npos)
                inputs.push_back(fromFolder(folder, name));
        }
    }
    return inputs;
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
    plan.error = refusedRows(file, batchFolder);
    if (!plan.error.empty())
        return plan;
    plan.inputs = rowInputs(file, batchFolder);
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
