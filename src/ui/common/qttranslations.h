#pragma once

// Qt's own texts in Polish: the buttons of questions ("Tak", "Nie", "Anuluj"), the folder browser and the
// other standard dialogs come from Qt's catalogue "qtbase_pl", not from our code. UI thread, once the
// application object exists.
#include <QString>
#include <QStringList>

class QTranslator;

namespace ui {

// Where the catalogue is looked for, first match wins: a "translations" folder beside the program (a copy
// that travels with the program), then the folder of the Qt installation.
QStringList qtTranslationFolders();

// Installs the first "qtbase_pl" found in `folders` on the application (which owns it) and returns it;
// nullptr when no folder holds a readable catalogue, and Qt's texts stay English.
QTranslator* LoadQtTranslations(const QStringList& folders = qtTranslationFolders());

} // namespace ui
