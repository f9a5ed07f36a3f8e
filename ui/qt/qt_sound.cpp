#include "ui/qt/qt_sound.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include <utility>

namespace velomira {

namespace {

// The player reports Stopped just before EndOfMedia; a stop that no end or error follows
// within this time is a failure.
constexpr int kStopSettleMs = 250;

} // namespace

QtSound::QtSound()
    : player_(std::make_unique<QMediaPlayer>()), output_(std::make_unique<QAudioOutput>()) {
    player_->setAudioOutput(output_.get());
    QObject::connect(player_.get(), &QMediaPlayer::mediaStatusChanged, player_.get(),
                     [this](QMediaPlayer::MediaStatus) { statusChanged(); });
    QObject::connect(player_.get(), &QMediaPlayer::errorOccurred, player_.get(),
                     [this](QMediaPlayer::Error error, const QString&) {
                         if (error != QMediaPlayer::NoError)
                             failed();
                     });
    QObject::connect(player_.get(), &QMediaPlayer::playbackStateChanged, player_.get(),
                     [this](QMediaPlayer::PlaybackState state) {
                         if (state == QMediaPlayer::StoppedState)
                             stoppedByItself();
                     });
}

QtSound::~QtSound() {
    onEnd_ = nullptr;
    playing_ = false;
    player_->stop();
}

bool QtSound::open(const std::string& path) {
    close();
    const QString file = QString::fromStdString(path);
    const QFileInfo info(file);
    if (!info.isFile() || !info.isReadable())
        return false;
    ++serial_;
    open_ = true;
    broken_ = false;
    player_->setSource(QUrl::fromLocalFile(info.absoluteFilePath()));
    return !broken_;
}

bool QtSound::play(PlaybackEndCallback onEnd) {
    if (!open_ || broken_ || player_->mediaStatus() == QMediaPlayer::InvalidMedia)
        return false;
    onEnd_ = std::move(onEnd);
    playing_ = true;
    heard_ = false;
    player_->setPosition(0);
    player_->play();
    return true;
}

void QtSound::seekMs(std::int64_t ms) {
    if (open_)
        player_->setPosition(ms);
}

void QtSound::pause() {
    if (open_ && playing_)
        player_->pause();
}

void QtSound::resume() {
    if (open_ && playing_ && player_->playbackState() == QMediaPlayer::PausedState)
        player_->play();
}

void QtSound::close() {
    ++serial_;
    const bool wasOpen = std::exchange(open_, false);
    playing_ = false;
    broken_ = false;
    onEnd_ = nullptr;
    if (wasOpen) {
        player_->stop();
        player_->setSource(QUrl());
    }
}

std::int64_t QtSound::positionMs() const {
    return open_ ? player_->position() : -1;
}

std::int64_t QtSound::durationMs() const {
    return open_ && player_->duration() > 0 ? player_->duration() : -1;
}

bool QtSound::audioOutputAvailable() {
    return !QMediaDevices::audioOutputs().isEmpty();
}

void QtSound::statusChanged() {
    if (!open_)
        return;
    switch (player_->mediaStatus()) {
    case QMediaPlayer::BufferedMedia:
        if (playing_)
            heard_ = true;
        break;
    case QMediaPlayer::EndOfMedia:
        finish(PlaybackEnd::Finished);
        break;
    case QMediaPlayer::InvalidMedia:
        failed();
        break;
    default:
        break;
    }
}

void QtSound::failed() {
    if (!open_)
        return;
    broken_ = true;
    finish(heard_ ? PlaybackEnd::Failed : PlaybackEnd::Unplayable);
}

void QtSound::stoppedByItself() {
    if (!playing_)
        return;
    const unsigned serial = serial_;
    QTimer::singleShot(kStopSettleMs, player_.get(), [this, serial] {
        if (serial != serial_ || !playing_ ||
            player_->playbackState() != QMediaPlayer::StoppedState)
            return;
        if (player_->mediaStatus() == QMediaPlayer::EndOfMedia)
            finish(PlaybackEnd::Finished);
        else
            finish(heard_ ? PlaybackEnd::Failed : PlaybackEnd::Unplayable);
    });
}

void QtSound::finish(PlaybackEnd end) {
    if (!playing_)
        return;
    playing_ = false;
    PlaybackEndCallback callback = std::exchange(onEnd_, nullptr);
    if (!callback)
        return;
    const unsigned serial = serial_;
    QMetaObject::invokeMethod(
        player_.get(),
        [this, serial, end, callback = std::move(callback)] {
            if (serial == serial_)
                callback(end);
        },
        Qt::QueuedConnection);
}

ExternalOpenResult openWithDesktopProgram(const std::string& path) {
    using Outcome = ExternalOpenResult::Outcome;
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty())
        return {Outcome::NoProgram, 0};
    const QString mime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (!mime.isEmpty()) {
        QProcess query;
        query.start(mime, {QStringLiteral("query"), QStringLiteral("default"),
                           QStringLiteral("audio/mpeg")});
        if (query.waitForFinished(3000)) {
            if (query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0 &&
                query.readAllStandardOutput().trimmed().isEmpty())
                return {Outcome::NoProgram, 0};
        } else {
            query.kill();
            query.waitForFinished(1000);
        }
    }
    // Detached: a player started this way may run as long as it likes.
    if (!QProcess::startDetached(opener, {QString::fromStdString(path)}))
        return {Outcome::Failed, -1};
    return {Outcome::Opened, 0};
}

} // namespace velomira
