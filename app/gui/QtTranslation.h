#pragma once

class QCoreApplication;
class QTranslator;

namespace gui {

// Installs Qt's own Simplified Chinese translation (qtbase_zh_CN from Qt's
// translations directory), so the standard dialogs and the context menus of text
// fields speak the tool's language; the window's own texts do not depend on it.
// Returns the installed translator (owned by the application), or null when the
// file is not there.
QTranslator* installQtTranslation(QCoreApplication& application);

}  // namespace gui
