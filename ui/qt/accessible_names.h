#pragma once
// What a screen reader says for the window's controls: a name for every control whose text does
// not name it (selections, path fields, the "?" buttons, the lists), a description where the
// name alone does not say what the control does, and the picture list's rows by position.
#include "album/album_model.h"
#include "ui/commands.h"

#include <QListWidgetItem>
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

namespace velomira::qt {

// Sets the command's name and description on the widget when it has any; others keep the names
// Qt gives them from their text.
void nameControl(QWidget* widget, Command command);

// The order the Tab key visits the option groups' controls: the groups left to right and top to
// bottom by their top left corner (caption, music, logo, cover, output), and within a group
// row by row.
const std::vector<Command>& tabOrder();

// "第 3 张：<caption>" (the file name when the picture has no caption) for row 2.
QString pictureName(int row, const AlbumItem& item);
// "转场效果：<name>".
QString transitionDescription(const QString& transition);

// A row of the picture list that reads its name and description from the album on request,
// so that moving or captioning pictures never has to rename every row.
class PictureListItem final : public QListWidgetItem {
  public:
    using Describe = std::function<QString(int row)>;
    PictureListItem(const QIcon& icon, const QString& text, Describe name);
    QVariant data(int role) const override;

  private:
    Describe name_;
};

} // namespace velomira::qt
