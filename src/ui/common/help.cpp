#include "ui/common/help.h"

#include "ui/common/prompts.h"
#include "ui/common/shell.h"

namespace ui {

void ShowHelp(QWidget* parent, Shell& shell, Prompts& prompts, const QString& index) {
    if (!shell.openHelp(index))
        prompts.prompt(parent, Prompts::Kind::Error, QStringLiteral("Pomoc"),
                       QStringLiteral("Nie można odnaleźć pliku pomocy."));
}

} // namespace ui
