#include "ui/edit/redeyetool.h"

#include "imaging/redeye.h"
#include "ui/viewer/imageviewcontroller.h"

#include <QLabel>
#include <QWidget>

#include <algorithm>

namespace ui {

RedEyeTool::RedEyeTool(ImageViewController* viewer, QWidget* panel, Finished finished)
    : QObject(panel)
    , viewer_(viewer)
    , finished_(std::move(finished)) {
    auto* text = new QLabel(QStringLiteral("Zaznacz na zdjęciu obrszar czerwonego oka"), panel);
    text->setObjectName(QStringLiteral("stREROpis"));
    text->setGeometry(12, 10, 360, 80);
    text->setWordWrap(true);
    QFont big = text->font();
    big.setPointSizeF(big.pointSizeF() * 1.25);
    big.setBold(true);
    text->setFont(big);
    text->setStyleSheet(QStringLiteral("color: rgb(200, 30, 30);"));
    viewer_->hooks().regionDragFinished = [this](QPoint start, QPoint release) {
        const QRect region = RegionOf(start, release);
        finished_(region, ChangeFor(viewer_->view()->bitmap(), region));
    };
}

QRect RedEyeTool::RegionOf(QPoint start, QPoint release) {
    const int left = std::min(start.x(), release.x());
    const int right = std::max(start.x(), release.x());
    const int top = std::min(start.y(), release.y());
    const int bottom = std::max(start.y(), release.y());
    return QRect(left, top, right - left, bottom - top);
}

std::optional<PhotoEdit::Change> RedEyeTool::ChangeFor(const QImage& bitmap, QRect region) {
    const QRect inside = region.intersected(bitmap.rect());
    if (region.isEmpty() || inside.isEmpty())
        return std::nullopt;
    // Looking costs only the region; the photo is changed only when a pupil is there.
    QImage probe = bitmap.copy(inside);
    QImage scratch(region.size(), QImage::Format_ARGB32);
    scratch.fill(qRgb(0, 0, 0));
    for (int y = 0; y < probe.height(); ++y)
        std::copy_n(probe.constScanLine(y), probe.width() * 4,
                    scratch.scanLine(inside.top() - region.top() + y) + (inside.left() - region.left()) * 4);
    QImage result;
    if (!imaging::RemoveRedEye(scratch, result))
        return std::nullopt;
    PhotoEdit::Change change;
    change.name = QStringLiteral("Czerwone oczy");
    change.apply = [region](QImage& b) { imaging::RemoveRedEyeInRegion(b, region); };
    change.patch = inside;
    change.inPlace = true;
    return change;
}

} // namespace ui
