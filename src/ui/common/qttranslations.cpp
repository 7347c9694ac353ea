#include "ui/common/qttranslations.h"

#include "core/datapaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace ui {

QStringList qtTranslationFolders() {
    QStringList folders;
    for (const QString& folder : core::dataFolders())
        folders.append(folder + QStringLiteral("/translations"));
    folders.append(QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return folders;
}

QTranslator* LoadQtTranslations(const QStringList& folders) {
    auto* translator = new QTranslator(QCoreApplication::instance());
    for (const QString& folder : folders) {
        if (!folder.isEmpty() && translator->load(QStringLiteral("qtbase_pl"), folder) &&
            QCoreApplication::installTranslator(translator))
            return translator;
    }
    delete translator;
    return nullptr;
}

} // namespace ui
