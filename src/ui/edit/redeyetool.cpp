#include "ui/edit/redeyetool.h"

#include "document/changes.h"
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
        finished_(changes::RedEye(RegionOf(start, release)));
    };
}

QRect RedEyeTool::RegionOf(QPoint start, QPoint release) {
    const int left = std::min(start.x(), release.x());
    const int right = std::max(start.x(), release.x());
    const int top = std::min(start.y(), release.y());
    const int bottom = std::max(start.y(), release.y());
    return QRect(left, top, right - left, bottom - top);
}

} // namespace ui
