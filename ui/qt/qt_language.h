#pragma once
// Qt's own texts (standard buttons, file dialogs, text-field menus) in Chinese, whatever the
// system locale, while numbers keep the "C" format.
class QCoreApplication;

namespace velomira {

// Loads qtbase_zh_CN.qm from Qt's translations folder into app, makes Chinese Qt's default
// locale and sets LC_NUMERIC back to "C" (QApplication takes the locale from the
// environment). False when the translation is missing; the program then shows Qt's English
// texts.
bool installChineseQtTexts(QCoreApplication& app);

} // namespace velomira
