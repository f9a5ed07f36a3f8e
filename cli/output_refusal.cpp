#include "cli/output_refusal.h"

#include "cli/album_from_options.h"
#include "services/run_inputs.h"

#include <utility>
#include <vector>

namespace velomira {

namespace {

using NamedOutput = std::pair<std::string, std::string>; // what it is, its path

std::string firstClash(const std::vector<NamedOutput>& outputs,
                       const std::vector<std::string>& inputs) {
    for (const auto& [what, path] : outputs) {
        if (const std::string input = inputAt(path, inputs); !input.empty())
            return what + " " + path + " is " + (input == path ? "" : input + ", ") +
                   "one of this run's inputs: choose another name";
    }
    return {};
}

std::string frameFolderRefusal(const std::string& folder, bool force,
                               const std::vector<std::string>& inputs) {
    const FrameFolderCheck check = checkFrameFolder(folder, inputs);
    if (!check.input.empty())
        return "the frame folder " + folder + " holds " + check.input +
               ", one of this run's inputs, under a frame's name: choose another folder";
    if (!check.otherFile.empty() && !force)
        return "the frame folder " + folder + " already holds files (" + check.otherFile +
               "): give an empty or new folder, or --force to write among them";
    return {};
}

} // namespace

std::string outputRefusal(const AlbumProject& album, const RenderOptions& options,
                          const std::string& video) {
    std::vector<std::string> inputs = albumInputFiles(album);
    if (!options.projectFile.empty())
        inputs.push_back(absolutePath(options.projectFile));
    std::vector<NamedOutput> outputs;
    if (!video.empty())
        outputs.emplace_back("the video", video);
    if (!options.jobFinal.empty())
        outputs.emplace_back("the video", options.jobFinal);
    if (!options.saveProject.empty())
        outputs.emplace_back("--save", absolutePath(options.saveProject));
    if (std::string clash = firstClash(outputs, inputs); !clash.empty())
        return clash;
    if (!options.framesFolder.empty())
        return frameFolderRefusal(absolutePath(options.framesFolder), options.force, inputs);
    return {};
}

std::string batchOutputRefusal(const std::string& batchFile, const BatchPlan& plan,
                               const std::string& report) {
    std::vector<std::string> inputs = plan.inputs;
    inputs.push_back(batchFile);
    std::vector<NamedOutput> outputs;
    if (!report.empty())
        outputs.emplace_back("--report", report);
    for (const BatchJob& job : plan.jobs) {
        if (!job.output.empty())
            outputs.emplace_back("the video of line " + std::to_string(job.line), job.output);
    }
    return firstClash(outputs, inputs);
}

} // namespace velomira
