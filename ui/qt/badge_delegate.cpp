#include "ui/qt/badge_delegate.h"

#include "album/album_model.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QPainter>

namespace velomira::qt {

namespace {

const QString kBadgeText = QStringLiteral("文字");
const QString kMotionText = QStringLiteral("镜头");

QFont badgeFont(const QFont& base) {
    QFont font = base;
    font.setPixelSize(12);
    return font;
}

} // namespace

QRect BadgeDelegate::badgeRect(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const auto found = badges_.find(index.row());
    if (found == badges_.end())
        return {};
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget* widget = opt.widget;
    const QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    const QRect decoration = style->subElementRect(QStyle::SE_ItemViewItemDecoration, &opt, widget);
    // The thumbnail box is thumbnailSize square, centred where the icon is drawn.
    const QPoint box = decoration.center() - QPoint(thumbnailSize / 2 - 1, thumbnailSize / 2 - 1);
    const QFontMetrics metrics(badgeFont(opt.font));
    const int width = metrics.horizontalAdvance(kBadgeText) + 6;
    const int height = metrics.height() + 2;
    const BadgeOffset offset = badgeOffset(found->second, thumbnailSize, width, height);
    return {box.x() + offset.x, box.y() + offset.y, width, height};
}

void BadgeDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, option, index);
    if (motionRows_.count(index.row()) != 0) {
        // Centred on the thumbnail's top edge, where no caption position puts its badge.
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QStyle* style = opt.widget != nullptr ? opt.widget->style() : QApplication::style();
        const QRect decoration =
            style->subElementRect(QStyle::SE_ItemViewItemDecoration, &opt, opt.widget);
        const QFontMetrics metrics(badgeFont(opt.font));
        const int width = metrics.horizontalAdvance(kMotionText) + 6;
        const QRect mark(decoration.center().x() - width / 2,
                         decoration.center().y() - thumbnailSize / 2 + 5, width,
                         metrics.height() + 2);
        painter->save();
        painter->fillRect(mark, QColor(0x20, 0x60, 0xc0));
        painter->setPen(Qt::white);
        painter->setFont(badgeFont(option.font));
        painter->drawText(mark, Qt::AlignCenter, kMotionText);
        painter->restore();
    }
    const QRect rect = badgeRect(option, index);
    if (rect.isEmpty())
        return;
    painter->save();
    painter->fillRect(rect, Qt::black);
    painter->setPen(Qt::white);
    painter->setFont(badgeFont(option.font));
    painter->drawText(rect, Qt::AlignCenter, kBadgeText);
    painter->restore();
}

} // namespace velomira::qt
