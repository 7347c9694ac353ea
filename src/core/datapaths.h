#pragma once

// Where the program finds what lies beside it: the local "settings" file, the help pages, translations.
// Two folders are searched in turn: the program's own folder (the build tree, a copy unpacked anywhere)
// and the installed data folder, "<prefix>/share/pixvalelink" beside "<prefix>/bin", found relative to
// the program so that a package installed under any prefix finds its files. Any thread.
#include <QString>
#include <QStringList>

namespace core {

// The program's folder, then the installed data folder belonging to it (both absolute, '/' separated).
QStringList dataFolders(const QString& programFolder);
// The same for the running program (needs the application object).
QStringList dataFolders();

// Where the program's icon theme lies: "icons" beside the program (the build tree), then the installed
// "<prefix>/share/icons".
QStringList iconFolders(const QString& programFolder);
QStringList iconFolders();

// The first folder's path of `relative` that exists; when none holds it, the path in the first folder,
// so that a message can still name the place where the file was expected.
QString findDataFile(const QString& relative, const QStringList& folders);
QString findDataFile(const QString& relative);

// The help index under a data folder: the compiled help file on Windows, the HTML pages elsewhere.
QString helpIndexName(bool windows);
// The help index of the running program (see findDataFile), with the platform's separators.
QString helpIndexPath();

} // namespace core
