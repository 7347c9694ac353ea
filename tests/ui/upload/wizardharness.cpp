#include "wizardharness.h"

#include "core/catalogue.h"
#include "ui/upload/wordpicture.h"

#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>

namespace uitest {

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

void WizardTest::start(int photos, const QStringList& switches, const QByteArray& config, qint64 bytes) {
    service = std::make_unique<DevServiceProcess>(switches, config);
    ASSERT_TRUE(service->started());
    folder = h.photoFolder(QStringLiteral("zdjecia"));
    for (int i = 1; i <= photos; ++i)
        ASSERT_TRUE(WriteFile(folder + QStringLiteral("/f%1.jpg").arg(i),
                              JpegOfSize(bytes) + QByteArray::number(i))); // every file differs
    buildWindow();
}

void WizardTest::closeWindow() {
    if (wizard_) {
        wizard_->onHandOver = nullptr;
        wizard_.reset(); // detaches every worker still running
    }
    h.close();
}

void WizardTest::buildWindow() {
    closeWindow();
    h.build();
    uitest::settle(w());
    w().settings().serviceBase = service ? service->baseAddress() : QString();
    w().settings().autoUpdate = false;
    wizard_ = std::make_unique<ui::TfoWysylanie>(
        ui::TfoWysylanie::Context{&h.prompts, &h.shell, &w().settings()}, h.window.get());
    commands = ui::AttachUploadCommands(w(), *wizard_);
    const auto record = [this](const char* method) {
        handOvers << QString::fromLatin1(method);
        allOnUiThread = allOnUiThread && QThread::currentThread() == qApp->thread();
    };
    wizard_->onHandOver = record;
    commands->onHandOver = record;
    paths.clear();
    core::Catalogue& catalogue = w().catalogue();
    for (int i = 0; i < catalogue.size(); ++i) {
        catalogue.at(i).Zaznaczony = true;
        paths << catalogue.at(i).Sciezka;
    }
    w().UpdateSummary();
}

void WizardTest::TearDown() {
    closeWindow();
}

void WizardTest::openWizard() {
    w().action(QStringLiteral("aPlikWyslijPliki"))->trigger();
}

ui::TfoOpcje* WizardTest::openOptions() {
    w().action(QStringLiteral("aNarzedziaOpcje"))->trigger();
    ui::TfoOpcje* shown = nullptr;
    for (ui::TfoOpcje* dialog : w().findChildren<ui::TfoOpcje*>())
        if (dialog->isVisible())
            shown = dialog;
    EXPECT_NE(shown, nullptr);
    return shown;
}

void WizardTest::type(QWidget* edit, const QString& text) {
    static_cast<QLineEdit*>(edit)->clear();
    QTest::keyClicks(edit, text);
}

void WizardTest::click(QWidget* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
}

bool WizardTest::albumsShown() {
    return QTest::qWaitFor(
        [this] { return wizard().step() == 2 && QApplication::overrideCursor() == nullptr; }, 20000);
}

void WizardTest::logIn(const QString& login, const QString& password) {
    type(wizard().eLogin, login);
    type(wizard().eHaslo, password);
    click(wizard().iKrok1Ok);
    ASSERT_TRUE(albumsShown());
}

bool WizardTest::uploadFinished() {
    return QTest::qWaitFor([this] { return handOvers.contains(QStringLiteral("UploadFinished")); }, 60000);
}

QList<QStringList> WizardTest::reportRows() const {
    QList<QStringList> rows;
    const QTableWidget* grid = wizard_->sgRaport;
    for (int r = 0; r < grid->rowCount(); ++r)
        rows << QStringList{grid->item(r, 0)->text(), grid->item(r, 1)->text(), grid->item(r, 2)->text()};
    return rows;
}

QList<QMap<QString, QByteArray>> WizardTest::uploadFields() const {
    QList<QMap<QString, QByteArray>> forms;
    const QRegularExpression part(QStringLiteral("name=\"(\\w+)\"\r\n\r\n([^\r]*)\r\n"));
    for (const QByteArray& body : service->bodiesOf(QStringLiteral("ifupload.sphp"))) {
        QMap<QString, QByteArray> fields;
        const QString text = QString::fromLatin1(body);
        for (auto it = part.globalMatch(text); it.hasNext();) {
            const auto m = it.next();
            fields[m.captured(1)] = m.captured(2).toLatin1();
        }
        forms << fields;
    }
    return forms;
}

QStringList WizardTest::prompted() const {
    QStringList texts;
    for (const ui::RecordingPrompts::Record& r : h.prompts.records)
        texts << r.caption + QStringLiteral(": ") + r.text;
    return texts;
}

} // namespace uitest
