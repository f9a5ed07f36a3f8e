#include "ui/qt/caption_sample.h"

#include <QPainter>

namespace velomira::qt {

namespace {

const QString kSampleText = QStringLiteral("文字示例");

} // namespace

QColor colorFromRef(unsigned colorRef) {
    return QColor(static_cast<int>(colorRef & 0xFF), static_cast<int>((colorRef >> 8) & 0xFF),
                  static_cast<int>((colorRef >> 16) & 0xFF));
}

SampleColours sampleColours(const CaptionSample& sample, const QColor& windowColour) {
    const QColor text = colorFromRef(sample.textColor);
    if (!sample.captionsOn)
        return {Qt::white, text == QColor(Qt::white) ? QColor(Qt::gray) : text};
    if (sample.boxColor != sample.textColor)
        return {colorFromRef(sample.boxColor), text};
    // Any light window colour, not only white and the classic 0xF0F0F0 grey: styles differ.
    const bool lightWindow = windowColour.lightnessF() > 0.85;
    if (text == QColor(Qt::white) && lightWindow)
        return {QColor(0x80, 0x80, 0x80), text};
    return {windowColour, text};
}

CaptionSampleWidget::CaptionSampleWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CaptionSampleWidget::setSample(const CaptionSample& sample, const QString& family) {
    sample_ = sample;
    family_ = family;
    update();
}

SampleColours CaptionSampleWidget::colours() const {
    return sampleColours(sample_, palette().color(QPalette::Window));
}

QSize CaptionSampleWidget::sizeHint() const {
    return {96, 26};
}

void CaptionSampleWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const SampleColours c = colours();
    painter.fillRect(rect(), c.ground);
    QFont font = this->font();
    if (!family_.isEmpty())
        font.setFamily(family_);
    font.setPixelSize(16);
    painter.setFont(font);
    painter.setPen(c.text);
    painter.drawText(rect(), Qt::AlignCenter, kSampleText);
}

} // namespace velomira::qt
