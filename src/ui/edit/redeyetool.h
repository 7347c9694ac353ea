#pragma once

// The red-eye tool on the image view: the text of the red-eye panel and, for a finished region drag,
// the change that looks for a pupil in the region and recolours it. The looking is part of the change,
// so it runs on the photo document's worker, after the work queued before it. One eye per use. It plugs
// into the viewer's hooks like the crop tool; the window shows the panel and queues the change. UI
// thread only.
#include "document/photodocument.h"

#include <QObject>
#include <QRect>

#include <functional>

class ImageViewController;
class QWidget;

namespace ui {

class RedEyeTool : public QObject {
    Q_OBJECT
public:
    // `finished` gets the change for the region of each released drag.
    using Finished = std::function<void(PhotoDocument::Change change)>;

    RedEyeTool(ImageViewController* viewer, QWidget* panel, Finished finished);

    // The region of a drag from `start` to `release` (bitmap pixels; the release is not clamped, so the
    // region may reach outside the photo).
    static QRect RegionOf(QPoint start, QPoint release);

private:
    ImageViewController* viewer_;
    Finished finished_;
};

} // namespace ui
