#pragma once
// The caption sample "文字示例": the text in the chosen face and colours. While captions are on
// it shows the text colour on the box colour; when the two are equal the text sits on the
// window colour, and white text on a light window (lightness above 0.85) gets a grey ground so
// it stays readable. While captions are off it sits on white.
#include "ui/main_window_view.h"

#include <QColor>
#include <QWidget>

namespace velomira::qt {

// 0x00BBGGRR as the colour it names.
QColor colorFromRef(unsigned colorRef);

struct SampleColours {
    QColor ground;
    QColor text;
};

// The colours the sample is painted in on a window whose own colour is windowColour.
SampleColours sampleColours(const CaptionSample& sample, const QColor& windowColour);

class CaptionSampleWidget final : public QWidget {
  public:
    explicit CaptionSampleWidget(QWidget* parent = nullptr);

    // family: the face the text is drawn in; empty keeps the window's.
    void setSample(const CaptionSample& sample, const QString& family);
    const CaptionSample& sample() const { return sample_; }
    SampleColours colours() const;

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    CaptionSample sample_;
    QString family_;
};

} // namespace velomira::qt
