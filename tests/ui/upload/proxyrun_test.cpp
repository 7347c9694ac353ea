// The upload wizard through a proxy that wants the customer's password, set in the options dialog.
#include "service/tinyproxyprocess.h"
#include "testsupport.h"
#include "ui/upload/wordpicture.h"
#include "wizardharness.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>

using namespace uitest;

namespace {

const QStringList kPhotos = {"canon_s40_II_thumb.jpg", "nikon_d300_MM_thumb_progressive.jpg",
                             "nikon_d70_MM_thumb.jpg"};

// tinyproxy wanting user "jan" with password "tajne.1-x" and marking what it passes on with "Via", in
// front of the development service; the window's folder holds three corpus photos.
class ThroughProxy : public WizardTest {
protected:
    void SetUp() override {
        if (!TinyproxyProcess::installed())
            GTEST_SKIP() << "tinyproxy is not installed (scripts/install-deps installs it)";
        proxy = std::make_unique<TinyproxyProcess>("jan", "tajne.1-x", true);
        ASSERT_TRUE(proxy->started());
        start(0);
        for (const QString& name : kPhotos)
            ASSERT_TRUE(QFile::copy(testsupport::corpusFile(name), folder + "/" + name));
        buildWindow();
    }
    void TearDown() override {
        if (proxy && HasFailure())
            proxy->keepForInspection();
        WizardTest::TearDown();
    }
    // Turns the proxy on in the options dialog the way a customer does.
    void setProxy(const QString& password, bool basic) {
        ui::TfoOpcje* dialog = openOptions();
        ASSERT_NE(dialog, nullptr);
        if (!dialog->cbProxyUse->isChecked())
            click(dialog->cbProxyUse);
        type(dialog->eProxyServer, "127.0.0.1");
        type(dialog->eProxyPort, QString::number(proxy->port()));
        type(dialog->eProxyUser, "jan");
        type(dialog->eProxyPassword, password);
        if (dialog->cbBasicAutentication->isChecked() != basic)
            click(dialog->cbBasicAutentication);
        click(dialog->iOk);
        ASSERT_FALSE(dialog->isVisible());
    }
    // The head of every request the service recorded, in arrival order.
    QList<QByteArray> recordedHeads() const {
        const QDir record(service->scratch("record"));
        QList<QByteArray> heads;
        for (const QString& name : record.entryList({"*.head"}, QDir::Files, QDir::Name))
            heads << ReadFile(record.filePath(name));
        return heads;
    }

    std::unique_ptr<TinyproxyProcess> proxy;
};

} // namespace

TEST_F(ThroughProxy, AWrongPasswordIsToldAndTheRightOneCarriesAWholeRun) {
    setProxy("zle", true);
    openWizard();
    type(wizard().eLogin, "demo@pixvale.example");
    type(wizard().eHaslo, "demo");
    click(wizard().iKrok1Ok);
    // Well before the proxy's own time-out: an answer, not a wait.
    ASSERT_TRUE(QTest::qWaitFor([this] { return !h.prompts.records.isEmpty(); },
                                TinyproxyProcess::kTimeoutSeconds * 1000 / 2));
    // The detail is libcurl's: the 407 or, when the proxy closed before reading the body, a reset.
    const QString prefix = QString::fromUtf8("Błąd: Błąd podczas nawiązywania połączenia: ");
    ASSERT_EQ(prompted().size(), 1);
    EXPECT_TRUE(prompted()[0].startsWith(prefix) && prompted()[0].size() > prefix.size())
        << prompted()[0].toStdString();
    EXPECT_EQ(wizard().step(), 1);
    EXPECT_TRUE(recordedHeads().isEmpty());

    // The right password, given when the proxy asks for it.
    setProxy("tajne.1-x", false);
    logIn();
    click(wizard().iKrok2Ok);
    ASSERT_TRUE(uploadFinished());
    QList<QStringList> sent;
    for (const QString& name : kPhotos)
        sent << QStringList{name, QString::fromUtf8("Wysłano"), "OK"};
    EXPECT_EQ(reportRows(), sent);
    const QMap<QString, QByteArray> stored = service->stored();
    for (const QString& name : kPhotos)
        EXPECT_EQ(stored.value(name), ReadFile(testsupport::corpusFile(name))) << name.toStdString();
    // Login, album list and three photos, each passed on by the proxy once it had the password.
    const QList<QByteArray> heads = recordedHeads();
    EXPECT_EQ(heads.size(), 5);
    for (const QByteArray& head : heads)
        EXPECT_TRUE(head.contains("\r\nVia: ") && head.contains("(tinyproxy/")) << head.constData();
    EXPECT_TRUE(allOnUiThread);
}
