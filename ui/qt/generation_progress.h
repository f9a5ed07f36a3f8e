#pragma once
// The plain progress window of a generation run: "共 N 张图片，正在处理第 n 张。", a bar and a
// stop button. Window-modal over the main window; it cannot be closed except by the run ending.
#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace velomira::qt {

class GenerationProgressDialog final : public QDialog {
    Q_OBJECT
  public:
    explicit GenerationProgressDialog(QWidget* parent);

    void showProgress(int picture, int total);
    // Before the pictures: the music's beats are being found (percent of the music done).
    void showBeats(int percent);
    void showStopping();
    // Under a size cap, the line below says which encode runs.
    void showEncode(int encode, int most);
    // The bar's percentage and the time left below the count (empty: none yet).
    void showShare(int percent, const QString& timeLeft);

    QString text() const;
    QString encodeText() const;
    QString timeLeftText() const;
    QPushButton* stopButton() const { return stop_; }

  signals:
    void stopRequested();

  public slots:
    void reject() override; // Esc and the close button do not end a run
    void hideEvent(QHideEvent* event) override;

  private:
    QLabel* label_;
    QLabel* encode_;
    QLabel* timeLeft_;
    QProgressBar* bar_;
    QPushButton* stop_;
};

} // namespace velomira::qt
