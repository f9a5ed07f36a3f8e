#pragma once
// Runs a batch: every row is one velomira-render child process (this same program with the
// row's arguments), up to N at once. A child is the single-video run itself, so a row gets the
// same checks and outcomes as a video made alone, and a crash, a full disk or a runaway row
// fails that row only. A lock file beside each output keeps two batches from making one video
// at once; an output that exists is skipped, so a batch started again redoes only what is
// missing. Ctrl+C or SIGTERM is passed on to the running jobs (a second one ends them at once).
#include "cli/batch_plan.h"
#include "cli/batch_report.h"
#include "cli/render_options.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace velomira {

struct BatchSettings {
    std::filesystem::path program; // velomira-render
    int jobs = 1;
    bool force = false;
    bool quiet = false;
    std::FILE* messages = stderr;
};

// Runs the jobs; `signals` counts stop requests (the first stops after the current pictures,
// the second ends the jobs). stopped tells whether the batch was stopped.
std::vector<RowResult> runBatchJobs(const std::vector<BatchJob>& jobs,
                                    const BatchSettings& settings, std::atomic<int>& signals,
                                    bool& stopped);

// The whole --batch command: read, plan, run, report. Returns the exit code (3 when the batch
// is refused before any work, 1 when its report or a video would replace a file it reads).
int runBatch(const RenderOptions& options, const std::vector<std::string>& args);

// The last line a job prints on standard output, read by the batch.
std::string jobResultLine(int exitCode, int frames);

} // namespace velomira
