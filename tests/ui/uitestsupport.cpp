#include "uitestsupport.h"

#include "document/photodocument.h"
#include "imaging/imagefile.h"
#include "ui/common/appresources.h"

namespace uitest {

QImage plain(QSize size, QColor colour) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

QImage frameOf(ImageView& view) {
    QImage out(view.viewport()->size(), QImage::Format_RGB32);
    QPainter p(&out);
    view.render(p, out.rect());
    return out;
}

bool writePhoto(const QString& path, QSize size, QColor colour) {
    return imaging::SaveJpeg(plain(size, colour), path, 90).ok();
}

bool writeBytes(const QString& path, qint64 bytes) {
    return testsupport::WriteFile(path, QByteArray(bytes, 'x'));
}

Harness::Harness() {
    ui::InitResources();
}

void Harness::show(QSize size) {
    window->resize(size);
    window->show();
    (void)QTest::qWaitForWindowExposed(window.get());
}

QString Harness::photoFolder(const QString& name) {
    QDir(dir.path()).mkpath(name);
    shell.documents = QDir::toNativeSeparators(path(name));
    return shell.documents;
}

Harness::~Harness() {
    close();
}

void Harness::build() {
    store = std::make_unique<core::SettingsStore>(path(QStringLiteral("store.ini")));
    window = std::make_unique<ui::TfoGlowny>(
        ui::TfoGlowny::Services{&prompts, &shell, store.get(), path(QStringLiteral("settings"))});
}

void settle(ui::TfoGlowny& window) {
    // Work on the worker, then what its arrival posts (a leave's next step, a save's outcome), which may
    // queue more work: until nothing is left.
    for (int i = 0; i < 1000; ++i) {
        window.document()->finish();
        QCoreApplication::processEvents();
        if (!window.document()->isBusy() && !window.isWaiting())
            break;
    }
    QCoreApplication::processEvents();
}

void Harness::close() {
    if (window) {
        settle(*window);
        window->close();
        settle(*window);
    }
    window.reset();
    store.reset();
}

QString WindowTest::photos(int n) {
    const QString folder = h.photoFolder(QStringLiteral("zdjecia"));
    for (int i = 0; i < n; ++i)
        EXPECT_TRUE(
            writeBytes(folder + QStringLiteral("/p%1.jpg").arg(i, 2, 10, QLatin1Char('0')), (n - i) * 1000));
    return folder;
}

void WindowTest::settle() {
    uitest::settle(w());
}

QString WindowTest::addPhoto(const QString& name, QSize size, QRgb colour) {
    const QString path = h.photoFolder(QStringLiteral("zdjecia")) + QLatin1Char('/') + name;
    EXPECT_TRUE(writePhoto(path, size, colour)) << path.toStdString();
    return path;
}

void WindowTest::showWindow(QSize size) {
    h.photoFolder(QStringLiteral("zdjecia"));
    h.build();
    h.show(size);
    settle();
}

void WindowTest::command(const char* name) {
    act(name)->trigger();
    settle();
}

void WindowTest::drag(QPointF from, QPointF to) {
    const auto send = [this](QEvent::Type type, QPointF bitmapPoint) {
        const QPointF pos =
            (view().bitmapToControl(bitmapPoint) - QPointF(view().viewportRect().topLeft())).toPoint();
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, pos, view().viewport()->mapToGlobal(pos), button, held, {});
        QApplication::sendEvent(view().viewport(), &e);
    };
    send(QEvent::MouseButtonPress, from);
    send(QEvent::MouseMove, (from + to) / 2);
    send(QEvent::MouseMove, to);
    send(QEvent::MouseButtonRelease, to);
}

} // namespace uitest
