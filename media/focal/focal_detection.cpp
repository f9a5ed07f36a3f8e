#include "media/focal/focal_detection.h"

#include "media/focal/saliency_region.h"
#include "platform/translation.h"

#include <opencv2/core.hpp>
#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>

#include <algorithm>
#include <array>
#include <filesystem>
#include <vector>

namespace velomira {

namespace {

// Frontal faces with a Haar model (the LBP ones miss faces of a few dozen pixels), profiles
// with the LBP model at a third of the Haar one's cost, which keeps a picture within its time
// budget (bench/bench_focal_detection).
constexpr const char* kFrontal = "haarcascades/haarcascade_frontalface_alt2.xml";
constexpr const char* kProfile = "lbpcascades/lbpcascade_profileface.xml";

// Fixed search parameters: the same pixels always give the same faces. The profile model must
// agree more often, as it otherwise finds faces in fine texture.
constexpr double kFrontalStep = 1.15;
constexpr double kProfileStep = 1.2;
constexpr int kFrontalNeighbours = 3;
constexpr int kProfileNeighbours = 4;
// A face smaller than this share of the picture's short side is too small to frame around.
constexpr int kLeastFaceShare = 16;
constexpr int kLeastFaceSide = 24;

bool hasModels(const std::filesystem::path& folder) {
    std::error_code error;
    for (const char* name : {kFrontal, kProfile})
        if (!std::filesystem::is_regular_file(folder / name, error))
            return false;
    return true;
}

FocalRegion unionRegion(const std::vector<cv::Rect>& faces, int width, int height) {
    cv::Rect all = faces.front();
    for (const cv::Rect& face : faces)
        all |= face;
    return clampedFocalRegion(
        {static_cast<double>(all.x) / width, static_cast<double>(all.y) / height,
         static_cast<double>(all.width) / width, static_cast<double>(all.height) / height, false});
}

} // namespace

struct FocalDetector::Models {
    cv::CascadeClassifier frontal;
    cv::CascadeClassifier profile;
};

std::string findCascadeFolder() {
    for (const char* folder : {"/usr/share/opencv4", "/usr/local/share/opencv4",
                               "/usr/share/opencv", "/usr/local/share/opencv"}) {
        if (hasModels(folder))
            return folder;
    }
    return {};
}

FocalDetector::FocalDetector(const std::string& cascadeFolder) {
    const std::filesystem::path folder(cascadeFolder);
    auto models = std::make_unique<Models>();
    const bool loaded = !cascadeFolder.empty() && hasModels(folder) &&
                        models->frontal.load((folder / kFrontal).string()) &&
                        models->profile.load((folder / kProfile).string());
    if (loaded)
        models_ = std::move(models);
    else
        problem_ = tr_("找不到人脸检测数据（请安装 opencv-data），焦点改用图片中最醒目的部分。");
}

FocalDetector::~FocalDetector() = default;

namespace {

cv::Mat workingGrey(const GreyPicture& picture) {
    const cv::Mat whole(picture.height, picture.width, CV_8UC1,
                        const_cast<unsigned char*>(picture.pixels.data()));
    const int longSide = std::max(picture.width, picture.height);
    cv::Mat grey;
    if (longSide > kFocalWorkingSide) {
        const double scale = static_cast<double>(kFocalWorkingSide) / longSide;
        cv::resize(whole, grey,
                   cv::Size(std::max(1, cvRound(picture.width * scale)),
                            std::max(1, cvRound(picture.height * scale))),
                   0, 0, cv::INTER_AREA);
    } else {
        grey = whole.clone();
    }
    cv::equalizeHist(grey, grey);
    return grey;
}

void findFaces(const cv::CascadeClassifier& model, const cv::Mat& grey, double step, int neighbours,
               bool mirrored, std::vector<cv::Rect>& faces) {
    const int least = std::max(kLeastFaceSide, std::min(grey.cols, grey.rows) / kLeastFaceShare);
    std::vector<cv::Rect> found;
    // detectMultiScale is not const in OpenCV's interface, though it does not change the model.
    const_cast<cv::CascadeClassifier&>(model).detectMultiScale(grey, found, step, neighbours, 0,
                                                               cv::Size(least, least));
    for (cv::Rect face : found) {
        if (mirrored)
            face.x = grey.cols - face.x - face.width;
        faces.push_back(face);
    }
}

} // namespace

FocalDetection FocalDetector::detect(const GreyPicture& picture) const {
    FocalDetection result;
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.pixels.size() <
            static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height)) {
        result.problem = tr_("图片没有可分析的像素。");
        return result;
    }
    try {
        // One thread: the result may not depend on how the work is split.
        cv::setNumThreads(1);
        const cv::Mat grey = workingGrey(picture);
        if (models_) {
            std::vector<cv::Rect> faces;
            findFaces(models_->frontal, grey, kFrontalStep, kFrontalNeighbours, false, faces);
            findFaces(models_->profile, grey, kProfileStep, kProfileNeighbours, false, faces);
            cv::Mat mirrored;
            cv::flip(grey, mirrored, 1);
            findFaces(models_->profile, mirrored, kProfileStep, kProfileNeighbours, true, faces);
            if (!faces.empty()) {
                result.region = unionRegion(faces, grey.cols, grey.rows);
                result.source = FocalSource::Faces;
                return result;
            }
        }
        if (std::optional<FocalRegion> salient = salientRegion(grey)) {
            result.region = *salient;
            result.source = FocalSource::Salient;
        }
    } catch (const cv::Exception& error) {
        result = FocalDetection{};
        result.problem = error.what();
    }
    return result;
}

} // namespace velomira
