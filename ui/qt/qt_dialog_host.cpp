#include "ui/qt/qt_dialog_host.h"

#include "app/printable_text.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
#include <QStringList>
#include <QThread>
#include <QTreeView>

namespace velomira {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// Message texts name files and quote servers; a box shows their control characters as "?".
QString shown(const std::string& text) {
    return QString::fromStdString(shownText(text));
}

// Runs job on the window thread and waits for it; directly when already there.
template <typename Job> void onWindowThread(Job job) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread())
        job();
    else
        QMetaObject::invokeMethod(app, job, Qt::BlockingQueuedConnection);
}

QMessageBox::Icon iconFor(MessageKind kind) {
    switch (kind) {
    case MessageKind::Information:
        return QMessageBox::Information;
    case MessageKind::Warning:
        return QMessageBox::Warning;
    case MessageKind::Error:
        return QMessageBox::Critical;
    case MessageKind::Question:
        break;
    }
    return QMessageBox::Question;
}

enum class FileMode { OpenOne, OpenSeveral, Save };

// The file model writes dates in the system's locale; the dialog shows them in the default
// one, which the program sets to its interface's language.
class LocalDates final : public QIdentityProxyModel {
  public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override {
        constexpr int kDateColumn = 3;
        auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
        if (files != nullptr && index.column() == kDateColumn && role == Qt::DisplayRole)
            return QLocale().toString(files->lastModified(mapToSource(index)),
                                      QLocale::ShortFormat);
        return QIdentityProxyModel::data(index, role);
    }
};

QStringList runFileDialog(QWidget* owner, const FileDialogRequest& request, FileMode mode) {
    QFileDialog dialog(owner, qs(request.title), qs(request.startFolder));
    dressFileDialog(dialog);
    if (!request.filters.empty())
        dialog.setNameFilter(qtFileFilterText(request.filters));
    switch (mode) {
    case FileMode::OpenOne:
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        break;
    case FileMode::OpenSeveral:
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFiles);
        break;
    case FileMode::Save:
        // Qt asks before overwriting unless told otherwise.
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(qs(request.defaultExtension));
        if (!request.initialName.empty())
            dialog.selectFile(qs(request.initialName));
        break;
    }
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

} // namespace

void dressFileDialog(QFileDialog& dialog) {
    dialog.setProxyModel(new LocalDates(&dialog));
    // Name, size, type and date side by side, as long as the screen has room.
    QSize size(900, 560);
    if (const QScreen* screen = dialog.screen())
        size = size.boundedTo(screen->availableGeometry().size() - QSize(40, 60));
    dialog.resize(size);
    // The name takes what the other columns leave; they are as wide as their longest texts.
    if (auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = details->header();
        const QFontMetrics metrics(details->font());
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        const QString longest[] = {QStringLiteral("1023.99 KiB"),
                                   QStringLiteral("Windows BMP 图像"),
                                   QLocale().toString(QDateTime(QDate(2026, 12, 28), QTime(23, 58)),
                                                      QLocale::ShortFormat)};
        for (int column = 1; column <= 3; ++column)
            header->resizeSection(column, metrics.horizontalAdvance(longest[column - 1]) + 24);
    }
}

QString qtFileFilterText(const std::vector<FileFilter>& filters) {
    QStringList entries;
    for (const FileFilter& filter : filters) {
        QStringList patterns;
        for (const std::string& pattern : filter.patterns)
            patterns << qs(pattern);
        entries << QStringLiteral("%1 (%2)").arg(qs(filter.label), patterns.join(u' '));
    }
    return entries.join(QStringLiteral(";;"));
}

void QtDialogHost::showMessage(const std::string& text, const std::string& title,
                               MessageKind kind) {
    onWindowThread([&] {
        QMessageBox box(iconFor(kind), shown(title), shown(text), QMessageBox::Ok, owner_.data());
        box.setTextFormat(Qt::PlainText); // texts may come from a server: never rich text
        box.exec();
    });
}

Answer QtDialogHost::ask(const std::string& text, const std::string& title, bool withCancel,
                         Answer) {
    Answer answer = Answer::Cancel;
    onWindowThread([&] {
        QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
        if (withCancel)
            buttons |= QMessageBox::Cancel;
        QMessageBox box(QMessageBox::Question, shown(title), shown(text), buttons, owner_.data());
        box.setTextFormat(Qt::PlainText);
        // The first button is the default, as in the boxes this program has always shown.
        box.setDefaultButton(QMessageBox::Yes);
        switch (box.exec()) {
        case QMessageBox::Yes:
            answer = Answer::Yes;
            break;
        case QMessageBox::No:
            answer = Answer::No;
            break;
        default:
            // Closing the box is a cancel where one is offered, else a no.
            answer = withCancel ? Answer::Cancel : Answer::No;
            break;
        }
    });
    return answer;
}

std::optional<std::string> QtDialogHost::askOpenFile(const FileDialogRequest& request) {
    QStringList chosen;
    onWindowThread([&] { chosen = runFileDialog(owner_.data(), request, FileMode::OpenOne); });
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen.front().toStdString();
}

std::vector<std::string> QtDialogHost::askOpenFiles(const FileDialogRequest& request) {
    QStringList chosen;
    onWindowThread([&] { chosen = runFileDialog(owner_.data(), request, FileMode::OpenSeveral); });
    std::vector<std::string> paths;
    for (const QString& path : chosen)
        paths.push_back(path.toStdString());
    return paths;
}

std::optional<std::string> QtDialogHost::askSaveFile(const FileDialogRequest& request) {
    QStringList chosen;
    onWindowThread([&] { chosen = runFileDialog(owner_.data(), request, FileMode::Save); });
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen.front().toStdString();
}

} // namespace velomira
