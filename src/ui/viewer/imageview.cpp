#include "ui/viewer/imageview.h"

#include "imaging/effectsbitmap.h"
#include "imaging/resample.h"
#include "ui/viewer/viewmath.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QScrollBar>
#include <QStyle>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

bool AllOpaque(const QImage& img) {
    for (int y = 0; y < img.height(); ++y) {
        const auto* row = reinterpret_cast<const quint32*>(img.constScanLine(y));
        quint32 all = 0xFF000000u;
        for (int x = 0; x < img.width(); ++x)
            all &= row[x];
        if ((all & 0xFF000000u) != 0xFF000000u)
            return false;
    }
    return true;
}

// The display ignores alpha: pixels are drawn as if opaque.
QImage AsOpaque(QImage img) {
    if (img.format() != QImage::Format_ARGB32)
        img = img.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* row = reinterpret_cast<quint32*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            row[x] |= 0xFF000000u;
    }
    img.reinterpretAsFormat(QImage::Format_RGB32);
    return img;
}

} // namespace

ImageView::ImageView(QWidget* parent)
    : QAbstractScrollArea(parent)
    , lanczos_([](const QImage& source, QSize size) { return imaging::ScaleLanczos(source, size); }) {
    setObjectName(QStringLiteral("ivObraz"));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAttribute(Qt::WA_NoSystemBackground);
    viewport()->setMouseTracking(true);
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);
    pool_.setMaxThreadCount(1);
    connect(&watcher_, &QFutureWatcher<QImage>::finished, this, [this] {
        if (!watcher_.future().isValid() || watcher_.isCanceled())
            return;
        const QImage result = watcher_.result();
        const QSize wanted = pendingSize_;
        const qint64 key = pendingKey_;
        pendingSize_ = {};
        // A later photo, size or filter makes the result stale: keep only the newest request.
        const bool current = key == bitmap_.cacheKey() && wanted == scaledSize();
        if (current && result.isNull()) {
            // The scaler failed (out of memory): the nearest copy stays, and this size is not retried.
            lanczosFailedKey_ = key;
            lanczosFailedSize_ = wanted;
        } else if (current && filter_ == Filter::Lanczos && effectiveScale() < 1.0f &&
                   result.size() == wanted) {
            scaled_ = result;
            scaledFilter_ = Filter::Lanczos;
            scaledKey_ = key;
            viewport()->update();
        } else if (filter_ == Filter::Lanczos && hasBitmap() && effectiveScale() < 1.0f) {
            viewport()->update(); // the next paint asks for the current size
        }
    });
}

ImageView::~ImageView() {
    ++*lanczosRequest_; // whatever is queued need not run
    watcher_.disconnect();
    pool_.waitForDone();
}

void ImageView::setBitmap(const QImage& bitmap, const QImage& nearestCopy) {
    // The view may hold the last reference to the photo it showed: that is freed off the UI thread.
    imaging::detail::ReplaceBitmap(bitmap_, bitmap);
    if (!bitmap_.isNull() && bitmap_.format() != QImage::Format_ARGB32 &&
        bitmap_.format() != QImage::Format_RGB32)
        bitmap_ = bitmap_.convertToFormat(QImage::Format_ARGB32);
    bitmapChanged();
    if (!bitmap_.isNull() && !nearestCopy.isNull() && nearestCopy.format() == QImage::Format_RGB32) {
        scaled_ = nearestCopy;
        scaledFilter_ = Filter::Nearest;
        scaledKey_ = bitmap_.cacheKey();
    }
}

void ImageView::clearBitmap() {
    imaging::detail::ReplaceBitmap(bitmap_, QImage());
    bitmapChanged();
}

void ImageView::bitmapChanged() {
    zoomed_ = QImage();
    zoomedKey_ = 0;
    scaledKey_ = 0; // the pixels are kept for the next copy of the same size
    if (bitmap_.isNull())
        scaled_ = QImage();
    updateScrollRanges();
    viewport()->update();
}

void ImageView::setScale(float s) {
    if (!(s > 0.0f))
        return;
    const QPointF centre = controlToBitmapF(QRectF(viewportRect()).center());
    scale_ = s;
    updateScrollRanges();
    if (hasBitmap())
        centerOn(centre);
    viewport()->update();
}

void ImageView::setScaleMode(ScaleMode m) {
    if (mode_ == m)
        return;
    mode_ = m;
    updateScrollRanges();
    viewport()->update();
}

void ImageView::setCentered(bool on) {
    centered_ = on;
    viewport()->update();
}

void ImageView::setFilter(Filter f) {
    filter_ = f;
    viewport()->update();
}

void ImageView::setScrollBarThickness(int t) {
    barThickness_ = t;
    updateScrollRanges();
    if (t > 0) {
        horizontalScrollBar()->setFixedHeight(t);
        verticalScrollBar()->setFixedWidth(t);
    }
    const Qt::ScrollBarPolicy policy = t < 0 ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded;
    setHorizontalScrollBarPolicy(policy);
    setVerticalScrollBarPolicy(policy);
}

int ImageView::systemScrollBarThickness() const {
    return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

QRect ImageView::viewportRect() const {
    return viewport()->geometry();
}

QSize ImageView::scaledSize() const {
    if (!hasBitmap())
        return {};
    return viewmath::ScaledSize(bitmap_.size(), effectiveScale());
}

QPoint ImageView::photoOrigin() const {
    const QSize sz = scaledSize();
    const QSize vp = viewport()->size();
    const int x = centered_ && sz.width() < vp.width() ? (vp.width() - sz.width()) / 2
                                                       : -horizontalScrollBar()->value();
    const int y = centered_ && sz.height() < vp.height() ? (vp.height() - sz.height()) / 2
                                                         : -verticalScrollBar()->value();
    return {x, y};
}

QPointF ImageView::controlToBitmapF(QPointF control) const {
    const QPointF v = control - QPointF(viewportRect().topLeft()) - QPointF(photoOrigin());
    const long double s = effectiveScale();
    return {static_cast<double>(v.x() / s), static_cast<double>(v.y() / s)};
}

QPoint ImageView::controlToBitmap(QPoint control) const {
    const QPointF b = controlToBitmapF(QPointF(control));
    return {static_cast<int>(std::floor(b.x())), static_cast<int>(std::floor(b.y()))};
}

QPointF ImageView::bitmapToControl(QPointF bitmap) const {
    const long double s = effectiveScale();
    const QPoint o = photoOrigin() + viewportRect().topLeft();
    return {static_cast<double>(bitmap.x() * s + o.x()), static_cast<double>(bitmap.y() * s + o.y())};
}

void ImageView::updateScrollRanges() {
    const QSize sz = scaledSize();
    const QSize vp = viewport()->size();
    horizontalScrollBar()->setPageStep(std::max(1, vp.width()));
    verticalScrollBar()->setPageStep(std::max(1, vp.height()));
    horizontalScrollBar()->setRange(0, std::max(0, sz.width() - vp.width()));
    verticalScrollBar()->setRange(0, std::max(0, sz.height() - vp.height()));
}

void ImageView::scrollByPixels(int dx, int dy) {
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() + dx);
    verticalScrollBar()->setValue(verticalScrollBar()->value() + dy);
}

void ImageView::centerOn(QPointF bitmapPoint) {
    const long double s = effectiveScale();
    const QSize vp = viewport()->size();
    horizontalScrollBar()->setValue(static_cast<int>(std::nearbyint(bitmapPoint.x() * s - vp.width() / 2)));
    verticalScrollBar()->setValue(static_cast<int>(std::nearbyint(bitmapPoint.y() * s - vp.height() / 2)));
}

QPoint ImageView::scrollPosition() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void ImageView::setViewCursor(const QCursor& c) {
    viewCursor_ = c;
    viewport()->setCursor(c);
}

void ImageView::repaintView() {
    viewport()->update();
}

BitmapLayer* ImageView::addBitmapLayer() {
    layers_.push_back(std::make_unique<BitmapLayer>());
    viewport()->update();
    return static_cast<BitmapLayer*>(layers_.back().get());
}

RubberBandLayer* ImageView::addRubberBandLayer() {
    layers_.push_back(std::make_unique<RubberBandLayer>());
    viewport()->update();
    return static_cast<RubberBandLayer*>(layers_.back().get());
}

ViewLayer* ImageView::layer(int i) const {
    return i >= 0 && i < layerCount() ? layers_[static_cast<size_t>(i)].get() : nullptr;
}

void ImageView::removeAllLayers() {
    dragged_ = nullptr;
    layers_.clear();
    viewport()->setCursor(viewCursor_);
    viewport()->update();
}

ViewLayer* ImageView::layerAt(QPoint control) const {
    for (auto it = layers_.rbegin(); it != layers_.rend(); ++it) {
        const ViewLayer& l = **it;
        if (l.isVisible() && !l.ignoresMouse() && l.hitTest(*this, control))
            return it->get();
    }
    return nullptr;
}

const QImage* ImageView::scaledCopy() {
    const QSize size = scaledSize();
    const qint64 key = bitmap_.cacheKey();
    const bool fits = !scaled_.isNull() && scaledKey_ == key && scaled_.size() == size;
    if (fits && scaledFilter_ == filter_)
        return &scaled_;
    if (filter_ == Filter::Lanczos && !(lanczosFailedKey_ == key && lanczosFailedSize_ == size))
        startLanczos(size);
    if (!fits) {
        // Each edit asks for a copy of the same size: the old one's pixels are written over, which
        // spares the page faults of fresh memory. Alpha is dropped from the small copy only.
        if (scaled_.size() != size || !scaled_.isDetached())
            scaled_ = QImage(size, QImage::Format_RGB32);
        imaging::ScaleNearestInto(bitmap_, scaled_, true);
        scaledFilter_ = Filter::Nearest;
        scaledKey_ = key;
    }
    return &scaled_;
}

void ImageView::startLanczos(QSize size) {
    if (pendingSize_ == size && pendingKey_ == bitmap_.cacheKey() && watcher_.isRunning())
        return;
    pendingSize_ = size;
    pendingKey_ = bitmap_.cacheKey();
    // A shared copy: a writer elsewhere detaches, so the worker's pixels stay as they are.
    const QImage source = bitmap_;
    const quint64 request = ++*lanczosRequest_;
    watcher_.setFuture(
        QtConcurrent::run(&pool_, [source, size, request, newest = lanczosRequest_, scale = lanczos_] {
            // Resizing the window asks for many sizes in a row: only the last one is worth the work.
            if (newest->load() != request)
                return QImage();
            try {
                QImage opaque = source; // the scaler sees every pixel opaque, as the screen does
                if (opaque.format() != QImage::Format_ARGB32 || !AllOpaque(opaque)) {
                    opaque = AsOpaque(std::move(opaque));
                    opaque.reinterpretAsFormat(QImage::Format_ARGB32);
                }
                QImage img = scale(opaque, size);
                if (!img.isNull())
                    img = AsOpaque(std::move(img));
                return img;
            } catch (...) {
                return QImage(); // a failure: the nearest copy stays on screen
            }
        }));
}

void ImageView::finishPendingScaling() {
    if (watcher_.isRunning() || watcher_.future().isRunning()) {
        watcher_.waitForFinished();
    }
    QCoreApplication::sendPostedEvents(&watcher_);
    QCoreApplication::sendPostedEvents(this);
}

const QImage& ImageView::zoomedCopy(const QRect& content) {
    const float s = effectiveScale();
    const qint64 key = bitmap_.cacheKey();
    if (!zoomed_.isNull() && zoomedKey_ == key && zoomedScale_ == s && zoomedRect_.contains(content))
        return zoomed_;
    // While panning (the old copy still overlaps) half a viewport more on every side, so that the next
    // moves reuse it; after a zoom or a jump only a thin border, so that the first picture comes fast.
    const QSize vp = viewport()->size();
    const bool panning =
        !zoomed_.isNull() && zoomedKey_ == key && zoomedScale_ == s && zoomedRect_.intersects(content);
    const int mx = panning ? vp.width() / 2 : 32, my = panning ? vp.height() / 2 : 32;
    const QRect want =
        content.adjusted(-mx, -my, mx, my).intersected(QRect(QPoint(0, 0), scaledSize())).united(content);
    const QImage& src = bitmap_;
    if (zoomed_.size() != want.size())
        zoomed_ = QImage(want.size(), QImage::Format_RGB32);
    // Scaled pixel c shows bitmap pixel floor(c / s): the same rule as controlToBitmap, so a copy built
    // for one place meets a copy built for another without a seam.
    const long double ls = s;
    std::vector<int> columns(static_cast<size_t>(want.width()));
    for (int i = 0; i < want.width(); ++i)
        columns[static_cast<size_t>(i)] =
            std::clamp(static_cast<int>(std::floor((want.x() + i) / ls)), 0, src.width() - 1);
    int previous = -1;
    for (int j = 0; j < want.height(); ++j) {
        const int sy = std::clamp(static_cast<int>(std::floor((want.y() + j) / ls)), 0, src.height() - 1);
        auto* out = reinterpret_cast<quint32*>(zoomed_.scanLine(j));
        if (sy == previous) {
            std::memcpy(out, zoomed_.constScanLine(j - 1), static_cast<size_t>(want.width()) * 4);
            continue;
        }
        const auto* in = reinterpret_cast<const quint32*>(src.constScanLine(sy));
        for (int i = 0; i < want.width(); ++i)
            out[i] = in[columns[static_cast<size_t>(i)]] | 0xFF000000u;
        previous = sy;
    }
    zoomedRect_ = want;
    zoomedKey_ = key;
    zoomedScale_ = s;
    return zoomed_;
}

void ImageView::render(QPainter& p, const QRect& area) {
    if (!hasBitmap()) {
        p.fillRect(area, background_);
    } else {
        const QPoint o = photoOrigin();
        const QRect photo(o, scaledSize());
        const QRect draw = photo.intersected(area);
        for (const QRect& r : QRegion(area).subtracted(QRegion(photo)))
            p.fillRect(r, background_);
        if (!draw.isEmpty()) {
            const long double s = effectiveScale();
            const QRect content = draw.translated(-o); // in the scaled photo's own pixels
            if (s < 1.0L)
                zoomed_ = QImage(); // the enlargement is of no use until the next zoom in
            if (s < 1.0L) {
                p.drawImage(draw.topLeft(), *scaledCopy(), content);
            } else {
                const QImage& zoomed = zoomedCopy(content); // before zoomedRect_ is read
                p.drawImage(draw.topLeft(), zoomed, content.translated(-zoomedRect_.topLeft()));
            }
        }
    }
    for (const auto& l : layers_) {
        if (l->isVisible())
            l->paint(p, *this);
    }
}

void ImageView::paintEvent(QPaintEvent* e) {
    QPainter p(viewport());
    render(p, e->rect());
}

void ImageView::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    updateScrollRanges();
    if (tool_)
        tool_->viewResized();
}

void ImageView::scrollContentsBy(int dx, int dy) {
    // The photo only slides: move what is on screen and paint the strip that comes in.
    viewport()->scroll(dx, dy);
}

void ImageView::mousePressEvent(QMouseEvent* e) {
    const QPoint control = e->position().toPoint() + viewportRect().topLeft();
    ViewLayer* hit = layerAt(control);
    const bool kept = tool_ && tool_->viewMousePress(*e, hit);
    if (!kept && hit && hit->kind() == ViewLayer::Kind::RubberBand && e->button() == Qt::LeftButton) {
        auto* band = static_cast<RubberBandLayer*>(hit);
        if (band->beginDrag(*this, control))
            dragged_ = band;
    }
    e->accept();
}

void ImageView::mouseMoveEvent(QMouseEvent* e) {
    const QPoint control = e->position().toPoint() + viewportRect().topLeft();
    if (dragged_) {
        dragged_->dragTo(*this, control);
        viewport()->update();
        return;
    }
    if (e->buttons() == Qt::NoButton) {
        // Hovering: the band's own cursor over it, the view's elsewhere.
        ViewLayer* hit = layerAt(control);
        if (hit && hit->kind() == ViewLayer::Kind::RubberBand)
            viewport()->setCursor(static_cast<RubberBandLayer*>(hit)->cursor());
        else
            viewport()->setCursor(viewCursor_);
    }
    if (tool_)
        tool_->viewMouseMove(*e);
}

void ImageView::mouseReleaseEvent(QMouseEvent* e) {
    if (dragged_) {
        dragged_->endDrag();
        dragged_ = nullptr;
    }
    if (tool_)
        tool_->viewMouseRelease(*e);
}

void ImageView::keyPressEvent(QKeyEvent* e) {
    if (tool_ && tool_->viewKeyPress(*e)) {
        e->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(e);
}

void ImageView::keyReleaseEvent(QKeyEvent* e) {
    if (tool_ && tool_->viewKeyRelease(*e)) {
        e->accept();
        return;
    }
    QAbstractScrollArea::keyReleaseEvent(e);
}
