#include "ui/common/cursors.h"

#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include <array>

// Resources of a static library must be pulled in by name.
static void InitCursorResources() {
    Q_INIT_RESOURCE(cursors);
}

namespace cursors {
namespace {

struct Entry {
    const char* name;
    QPoint hotSpot; // in the 32 x 32 artwork
};

// Number n is entry n - 1.
constexpr int kCount = 5;
const std::array<Entry, kCount> kEntries{{
    {"RACZKA", {15, 15}},
    {"CROP", {16, 16}},
    {"REDEYE", {16, 16}},
    {"ZOOM", {12, 12}},
    {"ZOOMOUT", {12, 12}},
}};

QHash<int, QCursor>& Registry() {
    static QHash<int, QCursor> registry;
    return registry;
}

QCursor Build(const Entry& e) {
    QSvgRenderer svg(QStringLiteral(":/cursors/%1.svg").arg(QLatin1String(e.name)));
    const qreal dpr = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap pm(QSize(32, 32) * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    svg.render(&p, QRectF(0, 0, 32, 32));
    p.end();
    return QCursor(pm, e.hotSpot.x(), e.hotSpot.y());
}

} // namespace

void RegisterCursors() {
    if (!Registry().isEmpty())
        return;
    InitCursorResources();
    for (int n = 1; n <= kCount; ++n)
        Registry().insert(n, Build(kEntries[static_cast<size_t>(n - 1)]));
}

QString ResourceName(int number) {
    if (number < 1 || number > kCount)
        return {};
    return QLatin1String(kEntries[static_cast<size_t>(number - 1)].name);
}

QCursor Cursor(int number) {
    if (number < 1 || number > kCount)
        return QCursor(Qt::ArrowCursor);
    RegisterCursors();
    return Registry().value(number);
}

} // namespace cursors
