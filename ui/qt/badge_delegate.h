#pragma once
// Paints the picture list's rows as usual and, over the thumbnails of rows that have one, the
// small "文字" badge (white on black) in the corner of the picture's caption position, and on
// pictures with a camera motion a "镜头" mark at the top edge.
#include <QStyledItemDelegate>

#include <map>
#include <set>

namespace velomira::qt {

class BadgeDelegate final : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // Row → caption position (0..8); every other row shows no badge.
    void setBadges(std::map<int, int> badges) { badges_ = std::move(badges); }
    const std::map<int, int>& badges() const { return badges_; }

    // Rows whose pictures have a camera motion.
    void setMotionRows(std::set<int> rows) { motionRows_ = std::move(rows); }
    const std::set<int>& motionRows() const { return motionRows_; }

    // Where a row's badge sits, in the list viewport's coordinates; empty without a badge.
    QRect badgeRect(const QStyleOptionViewItem& option, const QModelIndex& index) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

  private:
    std::map<int, int> badges_;
    std::set<int> motionRows_;
};

} // namespace velomira::qt
