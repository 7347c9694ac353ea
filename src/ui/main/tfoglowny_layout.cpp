// The main window's controls and where they go: the browser on the left with its buttons and upload
// summary, the viewer on the right with the editing toolbar, the tool panels and the photo information
// bar, and the rules that place them as the window and its parts change size.
#include "ui/main/tfoglowny.h"

#include "ui/browser/browserheader.h"
#include "ui/common/fittinglabel.h"
#include "ui/common/keyboardbutton.h"
#include "ui/common/picturebutton.h"
#include "ui/viewer/viewerbars.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QScrollArea>
#include <QSplitter>
#include <QVBoxLayout>

namespace ui {

namespace {

const QColor kGrey230(230, 230, 230);
const QColor kGrey240(240, 240, 240);

void paintBackground(QWidget* w, const QColor& colour) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, colour);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

QWidget* panel(const QString& name, QWidget* parent) {
    auto* w = new QWidget(parent);
    w->setObjectName(name);
    return w;
}

// A vertical layout without margins or gaps.
QVBoxLayout* column(QWidget* owner) {
    auto* v = new QVBoxLayout(owner);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    return v;
}

// Adds `w` to `v` inside a margin, taking the spare height.
void addInset(QVBoxLayout* v, QWidget* w, const QMargins& margins) {
    auto* box = new QVBoxLayout;
    box->setContentsMargins(margins);
    box->addWidget(w);
    v->addLayout(box, 1);
}

QLabel* label(const QString& name, const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

} // namespace

void TfoGlowny::CreateLayout() {
    paintBackground(this, kGrey230);
    auto* central = panel(QStringLiteral("pClient"), this);
    auto* layout = new QHBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    sPodzial = new QSplitter(Qt::Horizontal, central);
    sPodzial->setObjectName(QStringLiteral("sPodzial"));
    sPodzial->setHandleWidth(4);
    sPodzial->setChildrenCollapsible(false);
    sPodzial->setStyleSheet(QStringLiteral("QSplitter::handle { background: rgb(210, 210, 210); }"));
    layout->addWidget(sPodzial);
    setCentralWidget(central);

    CreateLeftSide();
    CreateViewerSide();
    sPodzial->addWidget(pLeft);
    sPodzial->addWidget(pObraz);
    sPodzial->setStretchFactor(0, 0);
    sPodzial->setStretchFactor(1, 1);
    sPodzial->setSizes({265, 817 - 265 - 4});
}

void TfoGlowny::CreateLeftSide() {
    pLeft = panel(QStringLiteral("pLeft"), nullptr);
    pLeft->setMinimumWidth(265);
    QVBoxLayout* v = column(pLeft);

    pLeftGora = panel(QStringLiteral("pLeftGora"), pLeft);
    pLeftGora->setFixedHeight(100);
    auto* folder = Button(QStringLiteral("iWybierzFolder"), QStringLiteral(":/pictures/wybierzfolder.svg"),
                          QSize(140, 25), QStringLiteral("Wybierz katalog"),
                          QStringLiteral("aPlikWybierzFolder"), pLeftGora);
    folder->move(5, 12);
    laKatalog = label(QStringLiteral("laKatalog"), QStringLiteral("<wybierz katalog>"), pLeftGora);
    laKatalog->setGeometry(150, 12, 110, 25);
    laKatalog->setToolTip(laKatalog->text());
    auto* g1 = label(QStringLiteral("laZaznaczPliki"), QStringLiteral(" Zaznacz pliki "), pLeftGora);
    auto* g2 = label(QStringLiteral("laZmienWidok"), QStringLiteral(" Zmień widok  "), pLeftGora);
    g1->move(5, 46);
    g2->move(140, 46);
    for (QLabel* g : {g1, g2}) {
        g->setStyleSheet(QStringLiteral("color: rgb(90, 90, 90);"));
        g->adjustSize();
    }
    leftTopButtons_ = {
        Button(QStringLiteral("iZaznaczWszystki"), QStringLiteral(":/pictures/zaznaczwszystkie.svg"),
               QSize(30, 30), QStringLiteral("Zaznacz wszystkie pliki"), QStringLiteral("aPlikZaznWszystkie"),
               pLeftGora),
        Button(QStringLiteral("iZaznaczZaden"), QStringLiteral(":/pictures/zaznaczzaden.svg"), QSize(30, 30),
               QStringLiteral("Odznacz wszystkie pliki"), QStringLiteral("aPlikZaznZaden"), pLeftGora),
        Button(QStringLiteral("iWidokIkony"), QStringLiteral(":/pictures/widokikony.svg"), QSize(30, 30),
               QStringLiteral("Widok ikon"), QStringLiteral("aWidokIkony"), pLeftGora),
        Button(QStringLiteral("iWidokLista"), QStringLiteral(":/pictures/widoklista.svg"), QSize(30, 30),
               QStringLiteral("Widok szczegółów"), QStringLiteral("aWidokSzczegoly"), pLeftGora)};
    leftTopButtons_[0]->move(10, 64);
    leftTopButtons_[1]->move(44, 64);
    leftTopButtons_[2]->move(145, 64);
    leftTopButtons_[3]->move(179, 64);
    v->addWidget(pLeftGora);

    pLista = panel(QStringLiteral("pLista"), pLeft);
    pLista->setMinimumHeight(50);
    paintBackground(pLista, kGrey240);
    sbPliki = new QScrollArea(pLista);
    sbPliki->setObjectName(QStringLiteral("sbPliki"));
    sbPliki->setFrameShape(QFrame::NoFrame);
    sbPliki->setFocusPolicy(Qt::NoFocus); // the list inside takes the focus: no empty Tab stop before it
    CreateBrowser();
    column(pLista)->addWidget(sbPliki);
    addInset(v, pLista, QMargins(5, 5, 0, 5));

    pLeftDol = panel(QStringLiteral("pLeftDol"), pLeft);
    pLeftDol->setFixedHeight(120);
    v->addWidget(pLeftDol);
    CreateLeftBottom();
    pLeft->installEventFilter(this);
}

void TfoGlowny::CreateLeftBottom() {
    iWyslijZdjecia =
        Button(QStringLiteral("iWyslijZdjecia"), QStringLiteral(":/pictures/wyslij.svg"), QSize(170, 34),
               QStringLiteral("Wyślij zdjęcia|Wysyła zaznaczone zdjęcia na serwer"),
               QStringLiteral("aPlikWyslijPliki"), pLeftDol);
    auto* title = label(QStringLiteral("laPodsumowanie"), QStringLiteral(" Podsumowanie "), pLeftDol);
    title->setAlignment(Qt::AlignCenter);
    auto bold = [](QLabel* l) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    };
    auto* l1 = label(QStringLiteral("laWysylkaIlosc"), QStringLiteral("Liczba wybranych zdjęć:"), pLeftDol);
    laWysylkaIl = label(QStringLiteral("laWysylkaIl"), QStringLiteral("0"), pLeftDol);
    auto* l2 = label(QStringLiteral("laWysylkaWielkosc"), QStringLiteral("Całkowita wielkość:"), pLeftDol);
    laWysylkaWielk = new FittingLabel(QStringLiteral("laWysylkaWielk"), QStringLiteral("0 KB"), pLeftDol);
    auto* l3 = label(QStringLiteral("laWysylkaCzas"), QStringLiteral("Czas wysyłania:"), pLeftDol);
    laWysylkaCz = label(QStringLiteral("laWysylkaCz"), QStringLiteral("~0 @"), pLeftDol);
    laWysylkaCz->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* lacze = label(QStringLiteral("laTwojeLacze"), QStringLiteral("Twoje łącze"), pLeftDol);
    lacze->setStyleSheet(QStringLiteral("color: rgb(128, 128, 128);"));
    for (QLabel* l : {laWysylkaIl, laWysylkaWielk, laWysylkaCz})
        bold(l);
    cbSpeed = new QComboBox(pLeftDol);
    cbSpeed->setObjectName(QStringLiteral("cbSpeed"));
    cbSpeed->addItems({QStringLiteral("Modem"), QStringLiteral("Stałe łącze")});
    summaryLabels_ = {title, l1, laWysylkaIl, l2, laWysylkaWielk, l3, laWysylkaCz, lacze};
    // The summary is small print under the big button.
    for (QLabel* l : summaryLabels_) {
        QFont f = l->font();
        f.setPointSizeF(f.pointSizeF() * 0.85);
        l->setFont(f);
    }
    QFont small = cbSpeed->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    cbSpeed->setFont(small);
    for (int i = 0; i < 2; ++i) {
        // A filled strip rather than a frame line: it stays visible at every screen scale.
        auto* rule =
            panel(i == 0 ? QStringLiteral("bvPodsumowanieL") : QStringLiteral("bvPodsumowanieP"), pLeftDol);
        paintBackground(rule, QColor(180, 180, 180));
        summaryRules_.append(rule);
    }
    pLeftDol->installEventFilter(this);
}

void TfoGlowny::CreateViewerSide() {
    pObraz = panel(QStringLiteral("pObraz"), nullptr);
    QVBoxLayout* v = column(pObraz);

    pObrazToolbar = panel(QStringLiteral("pObrazToolbar"), pObraz);
    pObrazToolbar->setFixedHeight(100);
    CreateToolbar();
    v->addWidget(pObrazToolbar);

    pPaintBox = panel(QStringLiteral("pPaintBox"), pObraz);
    pPaintBox->setMinimumHeight(85);
    column(pPaintBox);
    pPaintBox->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(pPaintBox, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { pmObraz->popup(pPaintBox->mapToGlobal(p)); });
    addInset(v, pPaintBox, QMargins(5, 5, 5, 0));

    pObrazInfo = panel(QStringLiteral("pObrazInfo"), pObraz);
    pObrazInfo->setFixedHeight(50);
    CreateInfoBar();
    v->addWidget(pObrazInfo);
}

void TfoGlowny::CreateToolbar() {
    struct Tool {
        const char* name;
        const char* picture;
        const char* hint;
        const char* action;
    };
    static const Tool tools[] = {
        {"iEdycjaKadowanie", "kadruj", "Kadruj zdjęcie", "aEdycjaKadrowanie"},
        {"iEdycjaObrotL", "obrotl", "Obróć zdjęcie", "aEdycjaObrotL"},
        {"iEdycjaObrotP", "obrotp", "Obróć zdjęcie", "aEdycjaObrotP"},
        {"iEdycjaOczy", "oczy", "Redukuj efekt czerwonych oczu", "aEdycjaOczy"},
        {"iEdycjaBW", "bw", "Zamień na obraz czarno-biały", "aEdycjaBW"},
        {"iEdycjaSepia", "sepia", "Zastosuj efekt sephia", "aEdycjaSepia"},
        {"iEdycjaBlur", "blur", "Rozmyj obraz", "aEdycjaBlurr"},
        {"iEdycjaSharpen", "sharpen", "Wyostrz obraz", "aEdycjaSharpen"},
        {"iEdycjaBrightnessContrast", "jasnosc", "Reguluj jasność i kontrast", "aEdycjaBrightnessContrast"},
        {"iEdycjaHSL", "hsl", "Reguluj barwę, nasycenie i jasność", "aEdycjaHSL"},
        {"iEdycjaZapisz", "zapisz", "Zapisz wszystkie zmiany", "aEdycjaZapisz"},
        {"iEdycjaAnuluj", "anuluj", "Odwołaj wsztstkie zmiany", "aEdycjaAnuluj"},
    };
    for (const Tool& t : tools) {
        auto* b = Button(QString::fromUtf8(t.name),
                         QStringLiteral(":/pictures/%1.svg").arg(QLatin1String(t.picture)), QSize(40, 40),
                         QString::fromUtf8(t.hint), QString::fromUtf8(t.action), pObrazToolbar);
        toolbarButtons_.append(b);
    }
    // Both turns share their hint; a screen reader tells them apart.
    toolbarButtons_[1]->setAccessibleName(QStringLiteral("Obróć w lewo"));
    toolbarButtons_[2]->setAccessibleName(QStringLiteral("Obróć w prawo"));
    // Saving and discarding appear once there is something to save.
    toolbarButtons_[10]->hide();
    toolbarButtons_[11]->hide();

    pEdycjaKadrowanie = panel(QStringLiteral("pEdycjaKadrowanie"), pObrazToolbar);
    pEdycjaKadrowanie->hide();
    Button(QStringLiteral("iEdycjaKadrowanieZastosuj"), QStringLiteral(":/pictures/zastosuj.svg"),
           QSize(40, 40), QStringLiteral("Zatwierdź rozmiar kadrowania"),
           QStringLiteral("aEdycjaKadrowanieZastosuj"), pEdycjaKadrowanie);
    Button(QStringLiteral("iEdycjaKadrowanieAnuluj"), QStringLiteral(":/pictures/anulujkadr.svg"),
           QSize(40, 40), QStringLiteral("Anuluj kadrowanie"), QStringLiteral("aEdycjaKadrowanieAnuluj"),
           pEdycjaKadrowanie);
    laZaznaczenie = label(QStringLiteral("laZaznaczenie"), QString(), pEdycjaKadrowanie);
    pEdycjaRedEye = panel(QStringLiteral("pEdycjaRedEye"), pObrazToolbar);
    pEdycjaRedEye->hide();

    iLogo = Button(QStringLiteral("iLogo"), QStringLiteral(":/pictures/logo.svg"), QSize(150, 80), QString(),
                   QString(), pObrazToolbar);
    iLogo->setAccessibleName(QStringLiteral("Serwis Pixvale"));
    pObrazToolbar->installEventFilter(this);
    // Showing or hiding a button or a tool panel moves the others and may cover the logo.
    for (QWidget* w : toolbarButtons_)
        w->installEventFilter(this);
    pEdycjaKadrowanie->installEventFilter(this);
    pEdycjaRedEye->installEventFilter(this);
}

void TfoGlowny::CreateInfoBar() {
    laNazwaPliku = new FittingLabel(QStringLiteral("laNazwaPliku"), QString(), pObrazInfo);
    laNazwaPliku->setAlignment(Qt::AlignCenter);
    auto* iRozmiar = iRozmiarPliku_ =
        Button(QStringLiteral("iRozmiarPliku"), QStringLiteral(":/pictures/wymiary.svg"), QSize(16, 16),
               QStringLiteral("Wielkość zdjecia|Wyświetla wielkość zdjęcia (szerokość x wysokość)"),
               QString(), pObrazInfo);
    iRozmiar->setCursor(Qt::ArrowCursor);
    makePictureOnly(iRozmiar);
    auto* iWaga = iWagaPliku_ =
        Button(QStringLiteral("iWagaPliku"), QStringLiteral(":/pictures/waga.svg"), QSize(16, 16),
               QStringLiteral("Rozmiar zdjęcia|Wyświetla rozmiar zdjęcia w KB"), QString(), pObrazInfo);
    iWaga->setCursor(Qt::ArrowCursor);
    makePictureOnly(iWaga);
    laRozmiarPliku = new FittingLabel(QStringLiteral("laRozmiarPliku"), QString(), pObrazInfo);
    laWagaPliku = new FittingLabel(QStringLiteral("laWagaPliku"), QString(), pObrazInfo);
    laRozmiarPliku->setToolTip(iRozmiar->toolTip());
    laWagaPliku->setToolTip(iWaga->toolTip());
    iPlikSzczegoly =
        Button(QStringLiteral("iPlikSzczegoly"), QStringLiteral(":/pictures/szczegoly.svg"), QSize(26, 26),
               QStringLiteral("Pokaż szczegóły zdjęcia"), QStringLiteral("aPlikInfo"), pObrazInfo);
    iPlikPoprzedni =
        Button(QStringLiteral("iPlikPoprzedni"), QStringLiteral(":/pictures/poprzedni.svg"), QSize(26, 26),
               QStringLiteral("Poprzedni obraz"), QStringLiteral("aPlikPoprzedni"), pObrazInfo);
    iPlikNastepny =
        Button(QStringLiteral("iPlikNastepny"), QStringLiteral(":/pictures/nastepny.svg"), QSize(26, 26),
               QStringLiteral("Następny obraz"), QStringLiteral("aPlikNastepny"), pObrazInfo);
    laZoom = new FittingLabel(QStringLiteral("laZoom"), QStringLiteral("Widok: 100%"), pObrazInfo);
    laZoom->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    zoomButtons_ = {
        Button(QStringLiteral("iZoomDopasuj"), QStringLiteral(":/pictures/zoomdopasuj.svg"), QSize(24, 24),
               QStringLiteral("Dopasuj"), QStringLiteral("aWidokDopasuj"), pObrazInfo),
        Button(QStringLiteral("iZoomPowieksz"), QStringLiteral(":/pictures/zoompowieksz.svg"), QSize(24, 24),
               QStringLiteral("Powiększ"), QStringLiteral("aWidokPowieksz"), pObrazInfo),
        Button(QStringLiteral("iZoomPomniejsz"), QStringLiteral(":/pictures/zoompomniejsz.svg"),
               QSize(24, 24), QStringLiteral("Pomniejsz"), QStringLiteral("aWidokPomniejsz"), pObrazInfo),
        Button(QStringLiteral("iZoomLupa"), QStringLiteral(":/pictures/zoomlupa.svg"), QSize(24, 24),
               QStringLiteral("Powiększ (przytrzymaj klawisz Alt aby pomniejszyć)"),
               QStringLiteral("aWidokLupa"), pObrazInfo)};
    pObrazInfo->installEventFilter(this);
}

void TfoGlowny::LayoutLeftTop() {
    laKatalog->setGeometry(150, 12, qMax(10, pLeftGora->width() - 150 - 5), 25);
}

void TfoGlowny::LayoutLeftBottom() {
    const int w = pLeftDol->width();
    iWyslijZdjecia->move((w - iWyslijZdjecia->width()) / 2, 4);
    // The title sits between two rules.
    QLabel* title = summaryLabels_[0];
    const int titleWidth = title->sizeHint().width();
    title->setGeometry((w - titleWidth) / 2, 41, titleWidth, 14);
    summaryRules_[0]->setGeometry(8, 48, qMax(0, title->x() - 8), 1);
    summaryRules_[1]->setGeometry(title->geometry().right() + 1, 48,
                                  qMax(0, w - 8 - title->geometry().right()), 1);
    const int speedWidth = 92;
    const int speedLeft = w - 6 - speedWidth;
    const auto row = [](QLabel* caption, QLabel* value, int y, int right) {
        const int cw = caption->sizeHint().width();
        caption->setGeometry(8, y, cw, 16);
        value->setGeometry(8 + cw + 5, y, qMax(0, right - (8 + cw + 5)), 16);
    };
    // "Twoje łącze" sits right-aligned over the list, leaving the total size all the room to its left.
    QLabel* speedCaption = summaryLabels_[7];
    const int speedCaptionWidth = speedCaption->sizeHint().width();
    speedCaption->setGeometry(w - 6 - speedCaptionWidth, 77, speedCaptionWidth, 14);
    row(summaryLabels_[1], laWysylkaIl, 57, w - 6);
    row(summaryLabels_[3], laWysylkaWielk, 74, speedCaption->x() - 6);
    cbSpeed->setGeometry(speedLeft, 92, speedWidth, 22);
    const int timeCaption = summaryLabels_[5]->sizeHint().width();
    summaryLabels_[5]->setGeometry(8, 95, timeCaption, 16);
    laWysylkaCz->setGeometry(8 + timeCaption, 95, qMax(0, speedLeft - 3 - 8 - timeCaption), 16);
}

void TfoGlowny::LayoutToolbar() {
    QList<QWidget*> shown;
    QList<QSize> sizes;
    for (QWidget* b : toolbarButtons_) {
        if (!b->isHidden()) {
            shown.append(b);
            sizes.append(b->size());
        }
    }
    QList<QRect> panels;
    for (const QWidget* p : {pEdycjaKadrowanie, pEdycjaRedEye}) {
        if (!p->isHidden())
            panels.append(p->geometry());
    }
    const ToolbarPlan plan = planToolbar(pObrazToolbar->size(), sizes, iLogo->size(), panels);
    for (qsizetype i = 0; i < shown.size(); ++i)
        shown[i]->setGeometry(plan.buttons[i]);
    iLogo->setGeometry(plan.logo);
    iLogo->setVisible(plan.logoVisible);
    FitToolPanels();
}

void TfoGlowny::LayoutInfoBar() {
    // The zoom label's widest text decides where it goes, so that it does not jump as the scale changes.
    const int zoomText = laZoom->fontMetrics().horizontalAdvance(QStringLiteral("Widok: 800%"));
    const InfoBarPlan plan = planInfoBar(pObrazInfo->width(), zoomText);
    laNazwaPliku->setGeometry(plan.name);
    iRozmiarPliku_->setGeometry(plan.sizeIcon);
    laRozmiarPliku->setGeometry(plan.size);
    iWagaPliku_->setGeometry(plan.weightIcon);
    laWagaPliku->setGeometry(plan.weight);
    iPlikPoprzedni->setGeometry(plan.previous);
    iPlikSzczegoly->setGeometry(plan.details);
    iPlikNastepny->setGeometry(plan.next);
    laZoom->setGeometry(plan.zoom);
    for (qsizetype i = 0; i < zoomButtons_.size(); ++i)
        zoomButtons_[i]->setGeometry(plan.zoomButtons[i]);
}

PictureButton* TfoGlowny::Button(const QString& name, const QString& picture, QSize size, const QString& hint,
                                 const QString& actionName, QWidget* parent) {
    auto* b = new PictureButton(name, picture, size, parent);
    b->setHint(hint);
    if (!actionName.isEmpty())
        b->setAction(action(actionName));
    return b;
}

} // namespace ui
