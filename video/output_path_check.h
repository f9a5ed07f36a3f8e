#pragma once
// The video's path checked before a run starts, so that a path the run could never write to is
// refused at once instead of after the whole album has been rendered.
#include <string>

namespace velomira {

// Empty when a video can be written at path (as chosen, before ".mp4" is added); otherwise
// the refusal, naming the path: a folder, a name that ends in a slash, a folder that does not
// exist, or a file name longer than the file system takes.
std::string outputPathProblem(const std::string& path);

} // namespace velomira
