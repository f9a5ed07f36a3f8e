#include "services/focal_regions.h"

#include "platform/translation.h"
#include "render/focal_scan.h"

#include <cstdio>

namespace velomira {

FocalRegionFinder::FocalRegionFinder(std::string cascadeFolder)
    : cascadeFolder_(std::move(cascadeFolder)) {}

FocalDetector& FocalRegionFinder::detector() {
    // Read when first needed: a run without found regions never reads the models.
    if (!detector_)
        detector_ = std::make_unique<FocalDetector>(cascadeFolder_);
    return *detector_;
}

FocalDetection FocalRegionFinder::find(const std::string& path) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (const auto known = found_.find(path); known != found_.end())
        return known->second;
    FocalDetection found = scanFocalRegion(detector(), path);
    found_.emplace(path, found);
    return found;
}

std::string FocalRegionFinder::modelProblem() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return detector_ ? detector_->problem() : std::string();
}

std::vector<int> picturesWithoutFocus(const AlbumProject& album) {
    std::vector<int> positions;
    if (album.settings.focus != FocusMode::Auto)
        return positions;
    for (std::size_t i = 0; i < album.items.size(); ++i)
        if (!album.items[i].focus)
            positions.push_back(static_cast<int>(i));
    return positions;
}

bool storeFoundFocus(AlbumProject& album, int position, const std::string& path,
                     const FocalRegion& region) {
    AlbumItem* item = albumItemAt(album, position);
    if (item == nullptr || item->path != path || item->focus)
        return false;
    FocalRegion found = clampedFocalRegion(region);
    found.byHand = false;
    item->focus = found;
    return true;
}

std::string focusFallbackLine(const std::string& fileName, const std::string& problem) {
    const char* format = tr_("图片 %s 的焦点无法确定（%s），以图片中心为焦点。");
    const int length = std::snprintf(nullptr, 0, format, fileName.c_str(), problem.c_str());
    std::string line(static_cast<std::size_t>(std::max(length, 0)), '\0');
    std::snprintf(line.data(), line.size() + 1, format, fileName.c_str(), problem.c_str());
    return line;
}

} // namespace velomira
