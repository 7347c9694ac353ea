#include "wizardharness.h"

#include "testsupport.h"
#include "ui/common/appresources.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QThread>

namespace batchtest {

void BatchWizardTest::photos(int n, const char* corpus, const QList<int>& marked) {
    source = folder(QStringLiteral("zdjecia"));
    marks = marked;
    for (int i = 1; i <= n; ++i) {
        const QString path = source + QStringLiteral("/p%1.jpg").arg(i, 2, 10, QLatin1Char('0'));
        ASSERT_TRUE(QFile::copy(testsupport::corpusFile(QString::fromLatin1(corpus)), path)) << corpus;
        paths << path;
    }
}

void BatchWizardTest::addPhoto(const char* corpus) {
    const QString path = source + QLatin1Char('/') + QString::fromLatin1(corpus);
    ASSERT_TRUE(QFile::copy(testsupport::corpusFile(QString::fromLatin1(corpus)), path)) << corpus;
    paths << path;
}

void BatchWizardTest::open() {
    ui::InitResources();
    QList<ui::WizardEntry> entries;
    for (int i = 0; i < paths.size(); ++i) {
        const QFileInfo info(paths[i]);
        entries.append({info.completeBaseName(), QLatin1Char('.') + info.suffix(), QImage(), paths[i],
                        marks.contains(i + 1)});
    }
    wizard = std::make_unique<ui::TfoKadrownie>(prompts, shell);
    wizard->setSource(entries);
    wizard->setFolder(QDir::toNativeSeparators(source));
    wizard->setQuality(75);
    wizard->onHandOver = [this](const char* name) {
        handOvers << QString::fromLatin1(name);
        allOnUiThread = allOnUiThread && QThread::currentThread() == qApp->thread();
        if (onHandOver)
            onHandOver(name);
    };
    wizard->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(wizard.get()));
}

void BatchWizardTest::click(QWidget* control) {
    QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(6, control->height() / 2));
}

void BatchWizardTest::next() {
    click(wizard->btDalej);
}

void BatchWizardTest::back() {
    click(wizard->btWstecz);
}

void BatchWizardTest::goTo(int step) {
    while (wizard->step() < step) {
        const int before = wizard->step();
        next();
        ASSERT_GT(wizard->step(), before) << "stuck on step " << before;
    }
}

bool BatchWizardTest::runEnded() {
    return QTest::qWaitFor([this] { return wizard->step() == 5 && !wizard->running(); }, 60000);
}

QString BatchWizardTest::folder(const QString& name) {
    QDir(dir.path()).mkpath(name);
    return dir.filePath(name);
}

QList<QByteArray> BatchWizardTest::contents() const {
    QList<QByteArray> all;
    for (const QString& path : paths) {
        QFile f(path);
        all << (f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray());
    }
    return all;
}

QStringList BatchWizardTest::filesIn(const QString& folder) const {
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

} // namespace batchtest
