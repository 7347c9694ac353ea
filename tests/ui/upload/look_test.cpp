// What each step and the options dialog look like: the white window with its frame in the step's
// colour. With PIXVALE_SCREENSHOTS naming a folder, every picture checked here is also saved there.
#include "wizardharness.h"

#include "ui/common/framedwindow.h"
#include "ui/upload/tfoopcje.h"
#include "ui/upload/wordpicture.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QTest>

using namespace uitest;

namespace {

// Checks the frame and the white inside of a window's picture, and keeps it when asked to.
void checkLook(QWidget& window, const QColor& frame, const QString& name) {
    const QImage shot = window.grab().toImage();
    SCOPED_TRACE(name.toStdString());
    for (const QPoint p : {QPoint(0, 0), QPoint(2, 2), QPoint(shot.width() - 1, shot.height() / 2),
                           QPoint(shot.width() / 2, shot.height() - 3)})
        EXPECT_EQ(shot.pixelColor(p), frame) << p.x() << "," << p.y();
    EXPECT_EQ(shot.pixelColor(4, 4), QColor(Qt::white));
    const QString folder = qEnvironmentVariable("PIXVALE_SCREENSHOTS");
    if (!folder.isEmpty() && QDir().mkpath(folder))
        shot.save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

} // namespace

TEST_F(WizardTest, EveryStepWearsItsColour) {
    QByteArray config = "account demo@pixvale.example demo 150000\n";
    for (int i = 1; i <= 30; ++i) // a long album list
        config += QStringLiteral("album demo@pixvale.example %1 Album numer %1 z wakacji\n").arg(i).toUtf8();
    start(0, {"--slow-reader", "30000"}, config);
    for (int i = 1; i <= 3; ++i)
        ASSERT_TRUE(WriteFile(folder + QStringLiteral("/zdjecie_%1.jpg").arg(i),
                              JpegOfSize(i == 2 ? 200000 : 40000)));
    buildWindow();
    openWizard();
    checkLook(wizard(), ui::kGreen, "krok1");
    type(wizard().eLogin, "demo@pixvale.example");
    type(wizard().eHaslo, "zle");
    click(wizard().iKrok1Ok);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !h.prompts.records.isEmpty(); }, 20000));
    checkLook(wizard(), ui::kGreen, "krok1_po_bledzie");
    logIn();
    EXPECT_EQ(wizard().cbAlbumyIstniejace->count(), 30);
    checkLook(wizard(), ui::kBlue, "krok2_dluga_lista");
    click(wizard().iKrok2Ok);
    ASSERT_TRUE(QTest::qWaitFor([this] { return handOvers.count("SetSendPosition") > 10; }, 20000));
    checkLook(wizard(), ui::kOrange, "krok3");
    ASSERT_TRUE(uploadFinished());
    EXPECT_TRUE(wizard().iKrok4Ponow->isVisibleTo(&wizard())); // the large photo does not fit the account
    checkLook(wizard(), ui::kGreen, "krok4_z_bledami");
}

TEST_F(WizardTest, OptionsDialogWearsOrange) {
    buildWindow();
    ui::TfoOpcje* dialog = openOptions();
    ASSERT_NE(dialog, nullptr);
    checkLook(*dialog, ui::kOrange, "opcje");
    click(dialog->iAnuluj);
}
