#include "ui/edit/croptool.h"

#include "ui/common/keyboardbutton.h"
#include "ui/edit/editdialog.h"
#include "ui/viewer/imageviewcontroller.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QRadioButton>

#include <cmath>

namespace ui {

namespace {

QLabel* indicator(const QString& name, const QString& picture, const QString& hint, QWidget* panel) {
    auto* l = new QLabel(panel);
    l->setObjectName(name);
    l->setPixmap(QIcon(picture).pixmap(16, 16));
    l->setToolTip(hint);
    l->setGeometry(196, 75, 16, 16);
    l->hide();
    return l;
}

} // namespace

CropTool::CropTool(ImageViewController* viewer, QWidget* panel, QLabel* laZaznaczenie)
    : QObject(panel)
    , viewer_(viewer)
    , laZaznaczenie_(laZaznaczenie) {
    InitEditingResources();
    auto* caption = new QLabel(QStringLiteral("Kadruj do formatu:"), panel);
    caption->setObjectName(QStringLiteral("laKadrujDoFormatu"));
    caption->setGeometry(8, 4, 270, 18);
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);
    for (int i = 0; i < cropmath::kChoiceCount; ++i) {
        const cropmath::CropChoice& c = cropmath::CropChoices()[i];
        auto* b = new QRadioButton(c.caption(), panel);
        b->setObjectName(QString::fromLatin1(c.button));
        if (const imaging::PrintFormat* f = c.format())
            b->setToolTip(f->hintText());
        b->setGeometry(8 + (i % 4) * 72, 25 + (i / 4) * 22, 72, 20);
        b->setCursor(Qt::PointingHandCursor);
        connect(b, &QRadioButton::clicked, this, [this, i] { chooseFormat(i); });
        buttons_[i] = b;
    }
    buttons_[choice_]->setChecked(true);
    laZaznaczenie_->setParent(panel);
    laZaznaczenie_->setGeometry(8, 74, 184, 18);
    iRozmiarOK = indicator(QStringLiteral("iRozmiarOK"), QStringLiteral(":/editing/rozmiarok.svg"),
                           QStringLiteral("Jakość dobra"), panel);
    iRozmiarNieOK = indicator(QStringLiteral("iRozmiarNieOK"), QStringLiteral(":/editing/rozmiarnieok.svg"),
                              QStringLiteral("Średnia jakość"), panel);
    iRozmiarBlank = indicator(QStringLiteral("iRozmiarBlank"), QStringLiteral(":/editing/rozmiarblank.svg"),
                              QString(), panel);
    restyle();

    // A press outside the frame removes it without a move to report it: the label follows on release.
    viewer_->view()->viewport()->installEventFilter(this);
    ImageViewController::Hooks& hooks = viewer_->hooks();
    hooks.adjustCropDrag = [this](viewmath::DragRect& r) { lockDrag(r); };
    hooks.cropDragFinished = [this](QPoint start, QPoint release) { finishDrag(start, release); };
    hooks.toolKey = [this](QKeyEvent& e) { return keyPress(e); };
}

RubberBandLayer* CropTool::band() const {
    ImageView* view = viewer_->view();
    if (view->layerCount() != 2 || view->layer(1)->kind() != ViewLayer::Kind::RubberBand)
        return nullptr;
    return static_cast<RubberBandLayer*>(view->layer(1));
}

bool CropTool::keyPress(QKeyEvent& e) {
    const QSize bm = viewer_->view()->bitmap().size();
    if (viewer_->toolMode() != ImageViewController::CropTool || bm.isEmpty())
        return false;
    RubberBandLayer* frame = band();
    if (e.key() == Qt::Key_Return || e.key() == Qt::Key_Enter) {
        if (frame)
            return false;
        viewer_->cropDrag({0, 0}, {bm.width(), bm.height()});
        if (RubberBandLayer* whole = band()) {
            whole->setRect({0, 0, static_cast<float>(bm.width()), static_cast<float>(bm.height())});
            chooseFormat(choice_); // a format's proportions about the photo's centre
        }
        return true;
    }
    const QPoint arrow = arrowDirection(e.key());
    if (arrow.isNull() || !frame)
        return false;
    const float times = (e.modifiers() & Qt::ShiftModifier) ? 10 : 1;
    const bool corner = e.modifiers() & Qt::ControlModifier;
    frame->step(corner ? RubberBandLayer::Handle::BottomRight : RubberBandLayer::Handle::Inside,
                arrow.x() * times, arrow.y() * times);
    viewer_->view()->repaintView();
    if (selectionChanged_)
        selectionChanged_();
    return true;
}

bool CropTool::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease && viewer_->toolMode() == ImageViewController::CropTool)
        updateSelectionInfo();
    return QObject::eventFilter(watched, event);
}

void CropTool::restyle() {
    // The chosen format in orange and underlined; "dowolna" grey while another is chosen.
    for (int i = 0; i < cropmath::kChoiceCount; ++i) {
        QRadioButton* b = buttons_[i];
        const bool chosen = i == choice_;
        QFont font = b->font();
        font.setUnderline(chosen);
        b->setFont(font);
        const char* colour = chosen                       ? "rgb(255, 128, 0)"
                             : i == cropmath::kFreeChoice ? "rgb(128, 128, 128)"
                                                          : "rgb(0, 0, 0)";
        b->setStyleSheet(QStringLiteral("QRadioButton { color: %1; }").arg(QLatin1String(colour)));
    }
}

void CropTool::lockDrag(viewmath::DragRect& r) const {
    const cropmath::CropChoice& c = choice();
    if (!c.isFree())
        cropmath::LockDrag(r, c.dragLong, c.dragShort, viewer_->view()->bitmap().height());
}

void CropTool::finishDrag(QPoint start, QPoint release) {
    ImageView* view = viewer_->view();
    const QSize bm = view->bitmap().size();
    if (std::abs(std::min(release.x(), bm.width()) - start.x()) < ImageViewController::kCropThreshold ||
        std::abs(std::min(release.y(), bm.height()) - start.y()) < ImageViewController::kCropThreshold)
        return; // the drag frame stays as drawn
    ViewLayer* frame = view->layer(0);
    RubberBandLayer* band = view->addRubberBandLayer();
    band->setChild(frame);
    band->setMinimumSize(10.0f, 10.0f);
    band->setCursor(QCursor(Qt::SizeAllCursor));
    band->setSideHandles(choice().isFree());
    band->setVisible(true);
    band->setIgnoreMouse(false);
    band->setResizingCallback(
        [this](const BitmapRect& old, BitmapRect& proposed, RubberBandLayer::Handle handle) {
            const QSize size = viewer_->view()->bitmap().size();
            cropmath::ResizeFrame(old, proposed, handle, choice(), size.width(), size.height());
            showSelection(true, proposed); // the rectangle the band is about to take
        });
    band->setRect(frame->rect());
    view->repaintView();
    if (selectionChanged_)
        selectionChanged_();
}

void CropTool::chooseFormat(int i) {
    ImageView* view = viewer_->view();
    view->repaintView();
    choice_ = i;
    buttons_[i]->setChecked(true);
    restyle();
    if (RubberBandLayer* band = this->band()) {
        band->setSideHandles(choice().isFree());
        if (const imaging::PrintFormat* f = choice().format()) {
            const BitmapRect r = band->rect();
            const imaging::CropFrame fitted = imaging::FitCropFrame(
                {r.left, r.top, r.right, r.bottom}, *f, view->bitmap().width(), view->bitmap().height());
            band->setRect({fitted.left, fitted.top, fitted.right, fitted.bottom});
        }
    }
    if (selectionChanged_)
        selectionChanged_();
    view->repaintView();
}

bool CropTool::hasSelection() const {
    return viewer_->view()->layerCount() > 0;
}

QRect CropTool::selectionRect() const {
    if (!hasSelection())
        return {};
    const BitmapRect r = viewer_->view()->layer(0)->rect();
    const int l = static_cast<int>(std::nearbyint(r.left));
    const int t = static_cast<int>(std::nearbyint(r.top));
    const int rr = static_cast<int>(std::nearbyint(r.right));
    const int b = static_cast<int>(std::nearbyint(r.bottom));
    return QRect(QPoint(l, t), QSize(rr - l, b - t));
}

void CropTool::updateSelectionInfo() {
    const bool any = hasSelection();
    showSelection(any, any ? viewer_->view()->layer(0)->rect() : BitmapRect{});
}

void CropTool::showSelection(bool any, const BitmapRect& r) {
    laZaznaczenie_->setText(any ? cropmath::SelectionText(r) : QString());
    const cropmath::Quality q = cropmath::QualityOf(any, static_cast<int>(r.right - r.left), choice());
    iRozmiarOK->setVisible(q == cropmath::Quality::Good);
    iRozmiarNieOK->setVisible(q == cropmath::Quality::Medium);
    iRozmiarBlank->setVisible(q == cropmath::Quality::Blank);
}

} // namespace ui
