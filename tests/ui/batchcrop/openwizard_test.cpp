#include "ui/uitestsupport.h"

#include "document/photodocument.h"
#include "ui/batchcrop/tfokadrownie.h"

#include <QLineEdit>
#include <QTest>

namespace uitest {
namespace {

TEST_F(WindowTest, TheBatchCropCommandOpensTheWizardOverCopiesOfTheCatalogue) {
    const QString folder = h.photoFolder(QStringLiteral("zdjecia"));
    ASSERT_TRUE(writePhoto(folder + QStringLiteral("/a.jpg"), QSize(600, 400), Qt::blue));
    ASSERT_TRUE(writePhoto(folder + QStringLiteral("/b.jpg"), QSize(400, 600), Qt::red));
    ASSERT_TRUE(writePhoto(folder + QStringLiteral("/c.jpg"), QSize(500, 500), Qt::green));
    h.build();
    h.show(QSize(900, 600));
    QAction* command = act("aEdycjaKreatorKadrowania");
    ASSERT_TRUE(QTest::qWaitFor([&] { return command->isEnabled(); }, 20000));
    w().catalogue().toggleMark(1);
    w().document()->setJpegQuality(63);
    const std::vector<core::ListaPlikow> before = w().catalogue().entries();

    int shown = 0;
    w().runDialog = [&](QDialog& d) {
        ++shown;
        auto* wizard = qobject_cast<ui::TfoKadrownie*>(&d);
        EXPECT_NE(wizard, nullptr);
        if (!wizard)
            return 0;
        EXPECT_EQ(wizard->eFolder->text(), w().folder());
        EXPECT_EQ(wizard->quality(), 63);
        EXPECT_EQ(wizard->step(), 1);
        const QList<ui::WizardEntry>& source = wizard->source();
        EXPECT_EQ(source.size(), 3);
        for (int i = 0; i < source.size() && i < 3; ++i) {
            EXPECT_EQ(source[i].fileName(), before[i].Nazwa + before[i].Rozszerzenie);
            EXPECT_EQ(source[i].Sciezka, before[i].Sciezka);
            EXPECT_EQ(source[i].Zaznaczony, i == 1);
            EXPECT_EQ(source[i].Miniatura, before[i].Miniatura);
            EXPECT_EQ(source[i].Wyrownanie, imaging::CropAlignment::Centre);
        }
        // The wizard's own list may change; the catalogue must not.
        wizard->btDalejClick();
        wizard->btDalejClick();
        return 1;
    };
    command->trigger();
    settle();
    EXPECT_EQ(shown, 1);
    ASSERT_EQ(w().catalogue().size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(w().catalogue().at(i).Sciezka, before[i].Sciezka);
        EXPECT_EQ(w().catalogue().at(i).Zaznaczony, before[i].Zaznaczony);
    }
    EXPECT_EQ(w().document()->jpegQuality(), 63);
}

} // namespace
} // namespace uitest
