#include "ui/batchcrop/wizardentry.h"

#include "service/servicepages.h"

namespace ui {

QList<WizardEntry> EntriesFromCatalogue(const std::vector<core::ListaPlikow>& catalogue) {
    QList<WizardEntry> entries;
    entries.reserve(static_cast<qsizetype>(catalogue.size()));
    for (const core::ListaPlikow& e : catalogue)
        entries.append({e.Nazwa, e.Rozszerzenie, e.Miniatura, e.Sciezka, e.Zaznaczony != 0});
    return entries;
}

bool AnyMarked(const QList<WizardEntry>& entries) {
    return std::any_of(entries.begin(), entries.end(), [](const WizardEntry& e) { return e.Zaznaczony; });
}

QList<WizardEntry> ChooseWork(const QList<WizardEntry>& source, PhotoChoice choice) {
    QList<WizardEntry> work;
    for (const WizardEntry& e : source) {
        if (choice == PhotoChoice::Marked && !e.Zaznaczony)
            continue;
        work.append(e);
        work.back().Wyrownanie = imaging::DefaultCropAlignment;
    }
    return work;
}

QList<imaging::BatchCropItem> RunItems(const QList<WizardEntry>& work) {
    QList<imaging::BatchCropItem> items;
    items.reserve(work.size());
    for (const WizardEntry& e : work)
        items.append({e.Sciezka, e.fileName(), e.Wyrownanie});
    return items;
}

QString CountText(int position, int total) {
    return QStringLiteral("%1 z %2").arg(position).arg(total);
}

QString QualityText(int quality) {
    return QStringLiteral("Określ jakość kompresji JPEG: %1%").arg(quality);
}

QString ReplaceFileQuestion(const QString& targetPath) {
    return QStringLiteral("Plik: ") + targetPath + QStringLiteral(" istnieje.\n\rCzy zastąpić?");
}

QString PrintFormatsHelpPage() {
    return service::WebSiteRoot() + QStringLiteral("index.php?menu_pwd[117615]=%2F1133710&sbl=157758");
}

} // namespace ui
