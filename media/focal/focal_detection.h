#pragma once
// Finding the part of a picture the framing should follow: the faces in it, else the densest
// part of a saliency map, else the middle. The image analysis library stays inside this
// folder's sources; callers hand over plain grey pixels.
#include "album/focal_region.h"

#include <memory>
#include <string>
#include <vector>

namespace velomira {

// 8-bit grey pixels, rows without padding.
struct GreyPicture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;
};

// Detection looks at pictures no larger than this on their long side; smaller ones are taken
// as they are, never enlarged.
inline constexpr int kFocalWorkingSide = 640;

enum class FocalSource { Faces, Salient, Centre };

struct FocalDetection {
    FocalRegion region; // the whole picture when the source is Centre
    FocalSource source = FocalSource::Centre;
    std::string problem; // why detection fell back to the middle; empty when it did not fail
};

// Where the face models are: the first of the usual shared-data folders that holds them, empty
// when none does.
std::string findCascadeFolder();

// Holds the face models, read once; one per thread (detection is single-threaded and, with the
// same models and pixels, gives the same region on every run).
class FocalDetector {
  public:
    // From cascadeFolder (the folder holding haarcascades/ and lbpcascades/); an empty or
    // incomplete folder leaves the detector without faces: it then uses the saliency map only.
    explicit FocalDetector(const std::string& cascadeFolder);
    ~FocalDetector();
    FocalDetector(const FocalDetector&) = delete;
    FocalDetector& operator=(const FocalDetector&) = delete;

    // Why faces cannot be found (the models are missing); empty when they can.
    const std::string& problem() const { return problem_; }

    FocalDetection detect(const GreyPicture& picture) const;

  private:
    struct Models;
    std::unique_ptr<Models> models_;
    std::string problem_;
};

} // namespace velomira
