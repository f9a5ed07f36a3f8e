#include "ui/output_limits_controller.h"

#include "services/preset_files.h"
#include "ui/info_log.h"

#include <algorithm>

namespace velomira {

namespace {
constexpr std::uint32_t kCommonCaps[] = {0, 8, 10, 16, 20, 25, 50, 100, 200, 500};
constexpr std::uint64_t kBytesPerMegabyte = 1000000;
} // namespace

OutputLimitsController::OutputLimitsController(MainWindowView& view, AlbumProject& album,
                                               const MainWindowServices& services,
                                               std::function<void()> optionsChanged)
    : view_(view), album_(album), services_(services), optionsChanged_(std::move(optionsChanged)) {}

std::vector<std::uint32_t> OutputLimitsController::capChoices(std::uint32_t remembered) {
    std::vector<std::uint32_t> caps(std::begin(kCommonCaps), std::end(kCommonCaps));
    if (std::find(caps.begin(), caps.end(), remembered) == caps.end()) {
        caps.push_back(remembered);
        std::sort(caps.begin(), caps.end());
    }
    return caps;
}

std::string OutputLimitsController::capLabel(std::uint32_t megabytes) {
    return megabytes == 0 ? "大小不限" : "≤ " + std::to_string(megabytes) + " MB";
}

void OutputLimitsController::fillChoices() {
    presets_ = programPresets(services_.folders.programFolder);
    if (services_.info != nullptr) {
        for (const std::string& note : presets_.notes)
            services_.info->append(note);
    }
    std::vector<std::string> names{"无"};
    for (const OutputPreset& preset : presets_.presets)
        names.push_back(preset.name);
    view_.setChoices(Command::VideoPreset, names);
    view_.setChoice(Command::VideoPreset, 0);
    preset_ = -1;
    setCap(services_.preferences != nullptr ? services_.preferences->maxVideoMegabytes : 0, false);
}

void OutputLimitsController::setCap(std::uint32_t megabytes, bool remember) {
    caps_ = capChoices(megabytes);
    std::vector<std::string> labels;
    for (std::uint32_t cap : caps_)
        labels.push_back(capLabel(cap));
    view_.setChoices(Command::VideoSizeCap, labels);
    view_.setChoice(
        Command::VideoSizeCap,
        static_cast<int>(std::find(caps_.begin(), caps_.end(), megabytes) - caps_.begin()));
    if (!remember || services_.preferences == nullptr)
        return;
    services_.preferences->maxVideoMegabytes = megabytes;
    if (services_.settingsFile)
        writeSetting(*services_.settingsFile, SettingKey::MaxVideoMegabytes, megabytes);
}

void OutputLimitsController::presetChosen(int index) {
    preset_ = index - 1;
    if (preset_ < 0 || preset_ >= static_cast<int>(presets_.presets.size())) {
        preset_ = -1;
        return;
    }
    const OutputPreset& preset = presets_.presets[static_cast<std::size_t>(preset_)];
    applyPreset(album_, preset);
    if (preset.maxBytes != 0)
        setCap(static_cast<std::uint32_t>((preset.maxBytes + kBytesPerMegabyte - 1) /
                                          kBytesPerMegabyte),
               true);
    if (optionsChanged_)
        optionsChanged_();
}

bool OutputLimitsController::choiceChanged(Command control, int index) {
    if (control == Command::VideoPreset) {
        presetChosen(index);
        return true;
    }
    if (control != Command::VideoSizeCap)
        return false;
    if (index >= 0 && index < static_cast<int>(caps_.size()))
        setCap(caps_[static_cast<std::size_t>(index)], true);
    return true;
}

OutputLimits OutputLimitsController::limits() const {
    const std::uint64_t cap = services_.preferences != nullptr
                                  ? services_.preferences->maxVideoMegabytes * kBytesPerMegabyte
                                  : 0;
    if (preset_ < 0)
        return {cap, 0, ""};
    const OutputPreset& preset = presets_.presets[static_cast<std::size_t>(preset_)];
    return {cap, preset.maxSeconds, preset.name};
}

} // namespace velomira
