#pragma once

// The red-eye tool on the image view: the text of the red-eye panel and, for a finished region drag,
// the change that recolours the pupil found in the region (nothing when there is none). One eye per
// use. It plugs into the viewer's hooks like the crop tool; the window shows the panel and applies the
// change. UI thread only.
#include "document/photoedit.h"

#include <QObject>
#include <QRect>

#include <functional>
#include <optional>

class ImageViewController;
class QWidget;

namespace ui {

class RedEyeTool : public QObject {
    Q_OBJECT
public:
    // `finished` gets the region of each released drag and the change for it, if a pupil was found.
    using Finished = std::function<void(QRect region, std::optional<PhotoEdit::Change> change)>;

    RedEyeTool(ImageViewController* viewer, QWidget* panel, Finished finished);

    // The region of a drag from `start` to `release` (bitmap pixels; the release is not clamped, so the
    // region may reach outside the photo).
    static QRect RegionOf(QPoint start, QPoint release);
    // The change that removes the red eye in `region` of `bitmap`, or nothing when no pupil is found.
    static std::optional<PhotoEdit::Change> ChangeFor(const QImage& bitmap, QRect region);

private:
    ImageViewController* viewer_;
    Finished finished_;
};

} // namespace ui
