#pragma once

// The scrollable, zoomable view of the working bitmap (`ivObraz`): scale factor, normal or scale mode,
// centred mode, nearest-neighbour or Lanczos stretching, scroll bars that can be hidden, the two point
// conversions, and a stack of layers drawn above the photo. Mouse and key events go first to the
// attached tool (`ViewTool`), then to the layer under the pointer.
//
// Drawing paints only the exposed part, ignoring alpha: at 100 % and above from the bitmap's pixels
// around the exposed part (nearest neighbour); below 100 % from a scaled copy of the whole photo that is
// kept until the photo, the size or the filter changes. A Lanczos copy is made on a worker thread; until
// it arrives the nearest copy is shown. Nothing on the UI thread walks the whole photo, so a new
// 24-megapixel bitmap is on screen at once. UI thread only.
#include "ui/viewer/viewlayers.h"

#include <QAbstractScrollArea>
#include <QFutureWatcher>
#include <QImage>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class QMouseEvent;
class QKeyEvent;

// Something attached to the view that sees its mouse and key events first.
class ViewTool {
public:
    virtual ~ViewTool() = default;
    // Answer true to keep the press from the layer `hit` (may be null) under the pointer.
    virtual bool viewMousePress(QMouseEvent& e, ViewLayer* hit) = 0;
    virtual void viewMouseMove(QMouseEvent& e) = 0;
    virtual void viewMouseRelease(QMouseEvent& e) = 0;
    // Answer true when the key was used.
    virtual bool viewKeyPress(QKeyEvent& e) = 0;
    virtual bool viewKeyRelease(QKeyEvent& e) = 0;
    // The viewport changed size (also when scroll bars come or go).
    virtual void viewResized() = 0;
};

class ImageView : public QAbstractScrollArea, public ViewGeometry {
    Q_OBJECT
public:
    enum class ScaleMode { Normal, Scale };
    enum class Filter { Nearest, Lanczos };

    explicit ImageView(QWidget* parent = nullptr);
    ~ImageView() override;

    // The working bitmap (shared, not copied). Call setBitmap again after changing its pixels.
    // `nearestCopy`, when given, is the bitmap's opaque (Format_RGB32) nearest-neighbour copy made
    // elsewhere: shown below 100 % when its size is the one wanted, instead of being made here.
    void setBitmap(const QImage& bitmap, const QImage& nearestCopy = {});
    void clearBitmap();
    const QImage& bitmap() const { return bitmap_; }
    bool hasBitmap() const { return !bitmap_.isNull(); }

    float scale() const { return scale_; }
    // Keeps the bitmap point at the viewport's centre where it was.
    void setScale(float s);
    ScaleMode scaleMode() const { return mode_; }
    void setScaleMode(ScaleMode m);
    // The scale the photo is drawn at: 1 in normal mode.
    float effectiveScale() const override { return mode_ == ScaleMode::Normal ? 1.0f : scale_; }
    bool isCentered() const { return centered_; }
    void setCentered(bool on);
    Filter filter() const { return filter_; }
    void setFilter(Filter f);
    // A negative thickness hides the scroll bars; 0 or more shows them where the photo overflows
    // (0 keeps the style's own thickness).
    void setScrollBarThickness(int t);
    int scrollBarThickness() const { return barThickness_; }
    bool scrollBarsShown() const { return barThickness_ >= 0; }
    // The style's horizontal scroll bar height.
    int systemScrollBarThickness() const;

    // The viewport in control pixels.
    QRect viewportRect() const override;
    // Control pixels <-> bitmap pixels (points left of or above the photo give negative values).
    QPointF controlToBitmapF(QPointF control) const;
    QPoint controlToBitmap(QPoint control) const;
    QPointF bitmapToControl(QPointF bitmap) const override;
    // Where the photo's top-left corner lies in viewport pixels, and its drawn size.
    QPoint photoOrigin() const;
    QSize scaledSize() const;
    void scrollByPixels(int dx, int dy);
    // Scrolls so that the bitmap point is in the viewport's centre (as far as the photo allows).
    void centerOn(QPointF bitmapPoint);
    QPoint scrollPosition() const;

    void setViewCursor(const QCursor& c);
    void repaintView();

    // Layers, bottom first.
    BitmapLayer* addBitmapLayer();
    RubberBandLayer* addRubberBandLayer();
    int layerCount() const { return static_cast<int>(layers_.size()); }
    ViewLayer* layer(int i) const;
    void removeAllLayers();
    // The topmost visible layer under `control` that does not ignore the mouse.
    ViewLayer* layerAt(QPoint control) const;

    void setTool(ViewTool* tool) { tool_ = tool; }
    void setBackground(const QColor& c) { background_ = c; }

    // Draws the part `area` (viewport pixels) of what the viewport shows; the paint event and the
    // benchmark both use it.
    void render(QPainter& p, const QRect& area);
    // The high-quality scaler, run on the view's worker (imaging::ScaleLanczos; tests make it fail). What
    // it throws stays on the worker: the nearest copy is kept and that size is not asked for again.
    using Scaler = std::function<QImage(const QImage&, QSize)>;
    void setLanczosScaler(Scaler scaler) { lanczos_ = std::move(scaler); }
    // Waits for a pending Lanczos copy and takes it (tests, benchmark).
    void finishPendingScaling();
    bool hasScaledCache() const { return !scaled_.isNull() && scaledKey_ == bitmap_.cacheKey(); }
    Filter scaledCacheFilter() const { return scaledFilter_; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;

private:
    void updateScrollRanges();
    void bitmapChanged();
    // The scaled copy for scales below 1, or null while none fits the current size and filter.
    const QImage* scaledCopy();
    void startLanczos(QSize size);
    // At 100 % and above: the (enlarged) opaque pixels around `content` (scaled-photo pixels), kept while
    // panning.
    const QImage& zoomedCopy(const QRect& content);

    QImage bitmap_;
    float scale_ = 1.0f;
    ScaleMode mode_ = ScaleMode::Normal;
    bool centered_ = true;
    Filter filter_ = Filter::Nearest;
    int barThickness_ = -1;
    QColor background_{230, 230, 230};
    std::vector<std::unique_ptr<ViewLayer>> layers_;
    ViewTool* tool_ = nullptr;
    RubberBandLayer* dragged_ = nullptr;
    QCursor viewCursor_;

    QImage zoomed_;
    QRect zoomedRect_;
    qint64 zoomedKey_ = 0;
    float zoomedScale_ = 0;

    QImage scaled_;
    Filter scaledFilter_ = Filter::Nearest;
    qint64 scaledKey_ = 0;
    qint64 lanczosFailedKey_ = 0;
    QSize lanczosFailedSize_;
    QSize pendingSize_;
    qint64 pendingKey_ = 0;
    Scaler lanczos_;
    std::shared_ptr<std::atomic<quint64>> lanczosRequest_ = std::make_shared<std::atomic<quint64>>(0);
    QThreadPool pool_;
    QFutureWatcher<QImage> watcher_;
};
