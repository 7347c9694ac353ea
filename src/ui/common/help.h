#pragma once

// The help command: opens the help index with the system's viewer, or says that it is missing.
// UI thread only.
#include <QString>

class QWidget;

namespace ui {

class Prompts;
class Shell;

// Opens `index` through the shell; when the shell cannot find it, shows "Nie można odnaleźć pliku
// pomocy." with the caption "Pomoc" and an error icon.
void ShowHelp(QWidget* parent, Shell& shell, Prompts& prompts, const QString& index);

} // namespace ui
