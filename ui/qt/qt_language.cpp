#include "ui/qt/qt_language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <clocale>

namespace velomira {

bool installChineseQtTexts(QCoreApplication& app) {
    std::setlocale(LC_NUMERIC, "C");
    // Dates, sizes and day names in Qt's own dialogs follow the program's language, not the
    // system's (the C library's locale, and so number formats, is not touched by this).
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_zh_CN"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace velomira
