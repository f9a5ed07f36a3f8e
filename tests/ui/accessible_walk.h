#pragma once
// What a screen reader finds in a window: every control the Tab key can reach must have a
// name, read through Qt's accessibility interface as an assistive technology reads it.
#include <QAccessible>
#include <QAccessibleInterface>
#include <QWidget>

#include <string>
#include <vector>

namespace velomira::testing {

// The focusable widgets of root's window (root included; popups and other windows left out)
// whose accessible name is empty, as "class objectName" for the failure message.
inline std::vector<std::string> unnamedFocusableWidgets(QWidget* root) {
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    std::vector<std::string> unnamed;
    for (QWidget* widget : widgets) {
        if (widget->window() != root->window() || !(widget->focusPolicy() & Qt::TabFocus))
            continue;
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
        if (face == nullptr || face->text(QAccessible::Name).trimmed().isEmpty())
            unnamed.push_back(std::string(widget->metaObject()->className()) + " " +
                              widget->objectName().toStdString());
    }
    return unnamed;
}

} // namespace velomira::testing
