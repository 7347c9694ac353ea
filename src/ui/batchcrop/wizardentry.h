#pragma once

// What the batch cropping wizard works on: its own copies of the catalogue entries, the choice of
// photos made in its first step, and the texts it builds from them. Pure functions: any thread.
#include "core/catalogue.h"
#include "imaging/batchcrop.h"

#include <QImage>
#include <QList>
#include <QString>

#include <vector>

namespace ui {

// One photo as the wizard holds it: a copy of the catalogue entry's name, thumbnail cell, path and
// mark, with the alignment of its cut.
struct WizardEntry {
    QString Nazwa;        // base name
    QString Rozszerzenie; // extension with its dot
    QImage Miniatura;     // the 116 × 116 cell, photo in the 96 × 83 box at (10, 9); may be null
    QString Sciezka;      // full path
    bool Zaznaczony = false;
    imaging::CropAlignment Wyrownanie = imaging::DefaultCropAlignment;

    QString fileName() const { return Nazwa + Rozszerzenie; }
};

// Which photos the wizard crops.
enum class PhotoChoice { All = 1, Marked = 2 };

// One entry per catalogue entry, in catalogue order, every one centred.
QList<WizardEntry> EntriesFromCatalogue(const std::vector<core::ListaPlikow>& catalogue);

bool AnyMarked(const QList<WizardEntry>& entries);

// The photos of the choice, in source order, every one centred.
QList<WizardEntry> ChooseWork(const QList<WizardEntry>& source, PhotoChoice choice);

// What the run gets of each photo: its path, file name and alignment.
QList<imaging::BatchCropItem> RunItems(const QList<WizardEntry>& work);

// "3 z 10"
QString CountText(int position, int total);
// "Określ jakość kompresji JPEG: 80%"
QString QualityText(int quality);
// The question before a photo is written over an existing file of the other folder.
QString ReplaceFileQuestion(const QString& targetPath);
// The service's page that explains the print formats.
QString PrintFormatsHelpPage();

} // namespace ui
