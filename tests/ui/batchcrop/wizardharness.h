#pragma once

// What the batch cropping wizard's tests share: a wizard over copies of corpus photos in a temporary
// folder, with recording seams, driven through its controls the way a customer does.
#include "ui/batchcrop/tfokadrownie.h"
#include "ui/common/prompts.h"
#include "ui/common/shell.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <memory>

namespace batchtest {

class BatchWizardTest : public ::testing::Test {
protected:
    // `n` copies "p01.jpg" ... of one corpus photo in the folder "zdjecia"; those of `marked` (1-based) are
    // marked.
    void photos(int n, const char* corpus = "noexif_jfif_baseline.jpg", const QList<int>& marked = {});
    // Adds one more corpus file under its own name (last in the list).
    void addPhoto(const char* corpus);
    // The wizard over the photos, the folder and quality 75, shown.
    void open();
    // The footer's buttons and a radio button, clicked.
    void next();
    void back();
    static void click(QWidget* control);
    // Goes from step 1 to step `step` with the choices as they stand.
    void goTo(int step);
    // Waits until a run has ended.
    bool runEnded();
    // A folder "name" in the temporary folder (created).
    QString folder(const QString& name);
    // The bytes of every photo of the source folder, in list order.
    QList<QByteArray> contents() const;
    QStringList filesIn(const QString& folder) const;

    QTemporaryDir dir;
    QString source;    // the photos' folder
    QStringList paths; // the photos, in list order
    QList<int> marks;  // 1-based numbers of the marked photos
    ui::RecordingPrompts prompts;
    ui::RecordingShell shell;
    std::unique_ptr<ui::TfoKadrownie> wizard;
    QStringList handOvers; // every hand-over from the run, by name
    bool allOnUiThread = true;
    std::function<void(const char*)> onHandOver; // runs after the recording
};

} // namespace batchtest
