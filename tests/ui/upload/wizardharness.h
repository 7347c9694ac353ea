#pragma once

// What the upload wizard's tests share: the main window with the wizard and its commands attached, a
// development service, photos in the window's folder, and steps that drive the wizard through its
// controls the way a customer does.
#include "core/catalogue.h"
#include "service/devserviceprocess.h"
#include "ui/uitestsupport.h"
#include "ui/upload/tfoopcje.h"
#include "ui/upload/tfowysylanie.h"
#include "ui/upload/uploadcommands.h"
#include "ui/upload/wordpicture.h"

namespace uitest {

using Answer = ui::Prompts::Answer;

// Waits until no service worker runs (their threads carry their class's name): whatever one of them would
// still hand over has been handed over by then.
inline bool serviceWorkersEnded() {
    return testsupport::waitUntil(
        [] {
            const QDir tasks(QStringLiteral("/proc/self/task"));
            for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
                if (testsupport::ReadFile(tasks.filePath(task + QStringLiteral("/comm")))
                        .startsWith("service::"))
                    return false;
            return true;
        },
        20000);
}

class WizardTest : public ::testing::Test {
protected:
    // Starts the service (`switches`, `config` as DevServiceProcess takes them) and the main window over
    // a folder of `photos` generated JPEG files "f1.jpg" ... of about `bytes` bytes each, all marked.
    void start(int photos, const QStringList& switches = {}, const QByteArray& config = {},
               qint64 bytes = 4000) {
        service = std::make_unique<DevServiceProcess>(switches, config);
        ASSERT_TRUE(service->started());
        folder = h.photoFolder(QStringLiteral("zdjecia"));
        for (int i = 1; i <= photos; ++i)
            ASSERT_TRUE(WriteFile(folder + QStringLiteral("/f%1.jpg").arg(i),
                                  JpegOfSize(bytes) + QByteArray::number(i))); // every file differs
        buildWindow();
    }
    // The main window with the wizard, over the folder as it is now (a window built before is closed).
    void buildWindow() {
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
            handOverThreads.note();
        };
        wizard_->onHandOver = record;
        commands->onHandOver = record;
        w().catalogue().setSelection(1); // all marked
    }
    // Closes the wizard (detaching every worker still running) and the main window.
    void closeWindow() {
        wizard_.reset();
        h.close();
    }

    ui::TfoGlowny& w() { return *h.window; }
    ui::TfoWysylanie& wizard() { return *wizard_; }
    void command(const char* action) { w().action(QString::fromLatin1(action))->trigger(); }
    void openWizard() { command("aPlikWyslijPliki"); }
    ui::TfoOpcje* openOptions() {
        command("aNarzedziaOpcje");
        auto* shown = qobject_cast<ui::TfoOpcje*>(QApplication::activeModalWidget());
        EXPECT_NE(shown, nullptr);
        return shown;
    }
    // Types into an edit as the keyboard does (replacing what it holds).
    static void type(QWidget* edit, const QString& text) {
        static_cast<QLineEdit*>(edit)->clear();
        QTest::keyClicks(edit, text);
    }
    static void click(QWidget* button) { QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5)); }
    // Waits until the album step has its list (or its error).
    bool albumsShown() {
        return testsupport::waitUntil(
            [this] { return wizard().step() == 2 && QApplication::overrideCursor() == nullptr; }, 20000);
    }
    void logIn(const QString& login = QStringLiteral("demo@pixvale.example"),
               const QString& password = QStringLiteral("demo")) {
        type(wizard().eLogin, login);
        type(wizard().eHaslo, password);
        click(wizard().iKrok1Ok);
        ASSERT_TRUE(albumsShown());
    }
    bool uploadFinished() {
        return testsupport::waitUntil([this] { return handOvers.contains(QStringLiteral("UploadFinished")); },
                                      60000);
    }
    // One column of the report grid (0 name, 1 status, 2 description).
    QStringList reportColumn(int column) const {
        QStringList cells;
        for (int r = 0; r < wizard_->sgRaport->rowCount(); ++r)
            cells << wizard_->sgRaport->item(r, column)->text();
        return cells;
    }
    // The text field `name` of each recorded upload body.
    QList<QByteArray> uploadField(const QString& name) const {
        QList<QByteArray> values;
        const QRegularExpression part(QStringLiteral("name=\"%1\"\r\n\r\n([^\r]*)\r\n").arg(name));
        for (const QByteArray& body : service->bodiesOf(QStringLiteral("ifupload.sphp")))
            values << part.match(QString::fromLatin1(body)).captured(1).toLatin1();
        return values;
    }
    QStringList prompted() const {
        QStringList texts;
        for (const ui::RecordingPrompts::Record& r : h.prompts.records)
            texts << r.caption + QStringLiteral(": ") + r.text;
        return texts;
    }
    Harness h;
    std::unique_ptr<DevServiceProcess> service;
    std::unique_ptr<ui::TfoWysylanie> wizard_;
    ui::UploadCommands* commands = nullptr;
    QString folder;
    QStringList handOvers; // to the wizard and the commands, in order
    testsupport::ThreadRecorder handOverThreads;
};

} // namespace uitest
