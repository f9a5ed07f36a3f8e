#pragma once
// Turns the rows of a batch file into jobs: for each row of this shard the velomira-render
// arguments of its video, built from the batch's own command line (every row's defaults) and
// the row's columns. Checks that need the whole file (two rows writing one output) refuse the
// batch before any work.
#include "cli/batch_file.h"

#include <filesystem>
#include <string>
#include <vector>

namespace velomira {

struct BatchJob {
    int line = 0;
    int index = 0;
    std::string output;                 // absolute name of the video
    std::vector<std::string> arguments; // velomira-render arguments without -o
    std::string error;                  // the row cannot run and fails with this text
};

struct BatchPlan {
    std::string error;          // the batch is refused before any work
    std::vector<BatchJob> jobs; // the rows of this shard, in file order
    // The files the rows name to be read (of every row, not only this shard's): no output of
    // the batch may be one of them.
    std::vector<std::string> inputs;
};

// The command-line options that are every row's defaults: all but the batch's own.
std::vector<std::string> rowDefaultArguments(const std::vector<std::string>& args);

// Relative names in the file are taken from the batch file's folder, so a batch moves with its
// pictures and reads the same from every machine that shares the folder.
BatchPlan planBatch(const BatchFile& file, const std::vector<std::string>& defaults,
                    const std::filesystem::path& batchFolder, int shardIndex, int shardCount);

} // namespace velomira
