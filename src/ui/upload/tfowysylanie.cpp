// The wizard's window: its four step panels and their controls, the frame, and the window's own rules
// (Enter per step, close and minimise). The steps' logic is in tfowysylanie_steps.cpp.
#include "ui/upload/tfowysylanie.h"

#include "core/settings.h"
#include "service/servicepages.h"
#include "ui/common/framedwindow.h"
#include "ui/common/keyboardbutton.h"
#include "ui/common/shell.h"
#include "ui/upload/passwordecho.h"
#include "ui/upload/reportexplanation.h"
#include "ui/upload/wordpicture.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QRadioButton>
#include <QTableWidget>

namespace ui {

namespace {

const QColor kHeading(0, 32, 96);
constexpr QSize kPanel(491, 306);
constexpr QSize kButton(110, 30);
constexpr QSize kTag(96, 22);

QFont verdana(int pixels, bool bold = false) {
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QWidget* stepPanel(const char* name, QWidget* parent) {
    auto* panel = new QWidget(parent);
    panel->setObjectName(QLatin1String(name));
    panel->setGeometry(QRect(QPoint(10, 10), kPanel));
    panel->setAutoFillBackground(true);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, Qt::white);
    panel->setPalette(pal);
    panel->hide();
    return panel;
}

// A link that Tab reaches and Space follows, as a click does (Enter stays the step's own command).
class KeyboardLink final : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (isPressKey(event, this))
            emit linkActivated(QStringLiteral("#"));
        else
            QLabel::keyPressEvent(event);
    }
};

template <typename Label = QLabel>
Label* label(const char* name, const QString& text, QRect place, QWidget* parent, const QFont& font) {
    auto* l = new Label(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(place);
    l->setFont(font);
    return l;
}

QLabel* heading(const char* name, const QString& text, QWidget* parent) {
    QLabel* l = label(name, text, QRect(10, 8, 470, 20), parent, verdana(13, true));
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, kHeading);
    l->setPalette(pal);
    return l;
}

// A link label after its small icon: underlined blue text with the hand cursor.
QLabel* link(const char* name, const QString& text, QPoint at, QWidget* parent) {
    auto* icon = new QLabel(QStringLiteral("»"), parent);
    icon->setGeometry(at.x(), at.y(), 10, 16);
    icon->setFont(verdana(11, true));
    QLabel* l =
        label<KeyboardLink>(name, QStringLiteral("<a href=\"#\" style=\"color:#1c4fa0\">%1</a>").arg(text),
                            QRect(at.x() + 12, at.y(), 200, 16), parent, verdana(11));
    l->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    l->setFocusPolicy(Qt::TabFocus);
    l->setAccessibleName(text);
    markFocusAround(l);
    l->setCursor(Qt::PointingHandCursor);
    return l;
}

template <typename Control>
Control* control(const char* name, QRect place, QWidget* parent) {
    auto* c = new Control(parent);
    c->setObjectName(QLatin1String(name));
    c->setGeometry(place);
    c->setFont(verdana(11));
    return c;
}

// The service's address as a reader writes it: without the scheme and the closing slash.
QString siteName() {
    QString site = core::builtInServiceBase();
    site.remove(QStringLiteral("http://"));
    if (site.endsWith(QLatin1Char('/')))
        site.chop(1);
    return site;
}

} // namespace

TfoWysylanie::TfoWysylanie(const Context& context, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , context_(context) {
    Q_ASSERT(context.prompts && context.shell && context.settings);
    setObjectName(QStringLiteral("foWysylanie"));
    setWindowTitle(QStringLiteral("Wysyłanie zdjęć do serwisu"));
    setFixedSize(520, 340);
    setModal(true);
    // Enter is the step's own command wherever the focus is; Space presses a focused button.
    windowTakesEnter(this);
    setFont(verdana(11));
    createStep1();
    createStep2();
    createStep3();
    createStep4();
    auto* logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("pLogo"));
    logo->setPixmap(QIcon(QStringLiteral(":/pictures/logo.svg")).pixmap(115, 115));
    logo->setAlignment(Qt::AlignCenter);
    pLogo = logo;
    pLogo->setGeometry(width() - 115 - 8, height() - 115 - 8, 115, 115);
    pLogo->raise();
}

TfoWysylanie::~TfoWysylanie() {
    detachWorkers();
    hourglass_.set(false);
}

void TfoWysylanie::createStep1() {
    pKrok1 = stepPanel("pKrok1", this);
    laKrok1Opis = heading("laKrok1Opis",
                          QStringLiteral("Zaloguj się do swojego konta w serwisie ") + siteName(), pKrok1);
    wordLabel(QStringLiteral("iEtykEmail"), QStringLiteral("e-mail"), kGreen, kTag, pKrok1)->move(30, 60);
    eLogin = control<QLineEdit>("eLogin", QRect(136, 60, 220, 22), pKrok1);
    wordLabel(QStringLiteral("iEtykHaslo"), QStringLiteral("hasło"), kGreen, kTag, pKrok1)->move(30, 94);
    eHaslo = control<QLineEdit>("eHaslo", QRect(136, 94, 220, 22), pKrok1);
    showStarsFor(eHaslo);
    // The captions beside the fields are pictures; the fields carry the words themselves.
    eLogin->setAccessibleName(QStringLiteral("E-mail"));
    eHaslo->setAccessibleName(QStringLiteral("Hasło"));
    cbPamietajHaslo = control<QCheckBox>("cbPamietajHaslo", QRect(136, 126, 330, 20), pKrok1);
    cbPamietajHaslo->setText(QStringLiteral("Zapamiętaj mój e-mail i hasło w programie"));
    laZapomnialemHaslo = link("laZapomnialemHaslo", QStringLiteral("zapomniałem hasła"), {136, 158}, pKrok1);
    laUtworzNoweKonto = link("laUtworzNoweKonto", QStringLiteral("zarejestruj się"), {136, 180}, pKrok1);
    connect(laZapomnialemHaslo, &QLabel::linkActivated, this,
            [this] { context_.shell->openUrl(service::ForgottenPasswordPage()); });
    connect(laUtworzNoweKonto, &QLabel::linkActivated, this,
            [this] { context_.shell->openUrl(service::NewAccountPage()); });
    iKrok1Ok = wordButton(QStringLiteral("iKrok1Ok"), QStringLiteral("ok"), kGreen, kButton, pKrok1);
    iKrok1Ok->move(136, 220);
    iKrok1Anuluj =
        wordButton(QStringLiteral("iKrok1Anuluj"), QStringLiteral("anuluj"), kGreen, kButton, pKrok1);
    iKrok1Anuluj->move(256, 220);
    connect(iKrok1Ok, &WordPicture::clicked, this, &TfoWysylanie::Krok1Ok);
    connect(iKrok1Anuluj, &WordPicture::clicked, this, &QDialog::reject);
}

void TfoWysylanie::createStep2() {
    pKrok2 = stepPanel("pKrok2", this);
    heading("laKrok2Opis", QStringLiteral("Wybierz album, do którego chcesz dodać zdjęcia"), pKrok2);
    rbAlbumNowy = control<QRadioButton>("rbAlbumNowy", QRect(20, 64, 18, 20), pKrok2);
    wordLabel(QStringLiteral("Image1"), QStringLiteral("nowy album"), kBlue, {130, 22}, pKrok2)->move(42, 63);
    eNowyAlbum = control<QLineEdit>("eNowyAlbum", QRect(182, 63, 270, 22), pKrok2);
    rbAlbumIstniejacy = control<QRadioButton>("rbAlbumIstniejacy", QRect(20, 104, 18, 20), pKrok2);
    rbAlbumIstniejacy->setChecked(true);
    wordLabel(QStringLiteral("Image2"), QStringLiteral("wybierz istniejący"), kBlue, {130, 22}, pKrok2)
        ->move(42, 103);
    cbAlbumyIstniejace = control<QComboBox>("cbAlbumyIstniejace", QRect(182, 103, 270, 22), pKrok2);
    cbAlbumyIstniejace->setEditable(false);
    cbAlbumyIstniejace->setMaxVisibleItems(12);
    rbAlbumNowy->setAccessibleName(QStringLiteral("Nowy album"));
    eNowyAlbum->setAccessibleName(QStringLiteral("Nazwa nowego albumu"));
    rbAlbumIstniejacy->setAccessibleName(QStringLiteral("Wybierz istniejący album"));
    cbAlbumyIstniejace->setAccessibleName(QStringLiteral("Istniejące albumy"));
    iKrok2Ok = wordButton(QStringLiteral("iKrok2Ok"), QStringLiteral("ok"), kBlue, kButton, pKrok2);
    iKrok2Ok->move(182, 160);
    iKrok2 = wordButton(QStringLiteral("iKrok2"), QStringLiteral("anuluj"), kBlue, kButton, pKrok2);
    iKrok2->move(302, 160);
    // Typing a name chooses a new album; picking from the list chooses an existing one.
    connect(eNowyAlbum, &QLineEdit::textEdited, this, [this] { rbAlbumNowy->setChecked(true); });
    connect(cbAlbumyIstniejace, &QComboBox::activated, this, [this] { rbAlbumIstniejacy->setChecked(true); });
    eNowyAlbum->installEventFilter(this);
    cbAlbumyIstniejace->installEventFilter(this);
    connect(iKrok2Ok, &WordPicture::clicked, this, &TfoWysylanie::Krok2Ok);
    connect(iKrok2, &WordPicture::clicked, this, &QDialog::reject);
}

void TfoWysylanie::createStep3() {
    pKrok3 = stepPanel("pKrok3", this);
    heading("laKrok3Opis", QStringLiteral("Przesyłanie plików"), pKrok3);
    laSciezka = label("laSciezka", {}, QRect(10, 40, 340, 16), pKrok3, verdana(11));
    laPlik = label("laPlik", {}, QRect(10, 58, 340, 16), pKrok3, verdana(11, true));
    pbCurrent = control<QProgressBar>("pbCurrent", QRect(10, 80, 340, 16), pKrok3);
    laWszystkie = label("laWszystkie", {}, QRect(10, 106, 340, 16), pKrok3, verdana(11));
    pbAll = control<QProgressBar>("pbAll", QRect(10, 126, 340, 16), pKrok3);
    for (QProgressBar* bar : {pbCurrent, pbAll}) {
        bar->setTextVisible(false);
        bar->setRange(0, 1);
    }
    auto* frame = label("iIcoTlo", {}, QRect(372, 40, 106, 93), pKrok3, verdana(11));
    frame->setFrameShape(QFrame::Box);
    frame->setStyleSheet(QStringLiteral("QLabel { border: 1px solid #c8c8c8; background: #f4f4f4; }"));
    iObrazek = label("iObrazek", {}, QRect(377, 45, 96, 83), pKrok3, verdana(11));
    iObrazek->setAlignment(Qt::AlignCenter);
    iKrok3Przerwij =
        wordButton(QStringLiteral("iKrok3Przerwij"), QStringLiteral("przerwij"), kOrange, kButton, pKrok3);
    iKrok3Przerwij->move(10, 170);
    connect(iKrok3Przerwij, &WordPicture::clicked, this, &TfoWysylanie::AskStop);
}

void TfoWysylanie::createStep4() {
    pKrok4 = stepPanel("pKrok4", this);
    heading("Label1", QStringLiteral("Raport z wysyłania"), pKrok4);
    laSciezkaRaport = label("laSciezkaRaport", {}, QRect(10, 30, 470, 16), pKrok4, verdana(11));
    sgRaport = control<QTableWidget>("sgRaport", QRect(10, 48, 471, 114), pKrok4);
    sgRaport->setFont(QFont(QStringLiteral("Tahoma"), 8));
    sgRaport->setColumnCount(3);
    sgRaport->setHorizontalHeaderLabels(
        {QStringLiteral("Plik"), QStringLiteral("Status"), QStringLiteral("Opis")});
    sgRaport->verticalHeader()->hide();
    sgRaport->verticalHeader()->setDefaultSectionSize(16);
    sgRaport->verticalHeader()->setMinimumSectionSize(16);
    sgRaport->horizontalHeader()->setFixedHeight(18);
    sgRaport->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgRaport->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgRaport->setTabKeyNavigation(false); // Tab leaves the report; the arrows move inside it
    sgRaport->setAccessibleName(QStringLiteral("Raport z wysyłania"));
    sgRaport->setShowGrid(true);
    sgRaport->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sgRaport->setColumnWidth(0, 170);
    sgRaport->setColumnWidth(1, 78);
    auto* explanation = new ReportExplanation(pKrok4);
    explanation->setObjectName(QStringLiteral("Image3"));
    explanation->setGeometry(10, 166, 471, 96);
    iKrok4 = wordButton(QStringLiteral("iKrok4"), QStringLiteral("zamów zdjęcia"), kGreen, {140, 30}, pKrok4);
    iKrok4->move(10, 268);
    iKrok4_2 =
        wordButton(QStringLiteral("iKrok4_2"), QStringLiteral("przejdź do edycji"), kBlue, {140, 30}, pKrok4);
    iKrok4_2->move(341, 268);
    iKrok4Ponow = wordButton(QStringLiteral("iKrok4Ponow"), QStringLiteral("wyślij ponownie nieudane"),
                             kOrange, {181, 30}, pKrok4);
    iKrok4Ponow->move(155, 268);
    iKrok4Ponow->hide();
    connect(iKrok4, &WordPicture::clicked, this, &TfoWysylanie::OpenSessionPage);
    connect(iKrok4_2, &WordPicture::clicked, this, &TfoWysylanie::OpenAlbumPage);
    connect(iKrok4Ponow, &WordPicture::clicked, this, &TfoWysylanie::RetryFailed);
}

QColor TfoWysylanie::stepColour() const {
    switch (step_) {
    case 2:
        return kBlue;
    case 3:
        return kOrange;
    default:
        return kGreen;
    }
}

void TfoWysylanie::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintWhiteFrame(p, size(), stepColour());
}

void TfoWysylanie::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // A new run: whatever an earlier run's workers still hold never reaches this one.
    detachWorkers();
    hourglass_.set(false);
    sending_ = false;
    iKrok1Ok->tag = 0;
    iKrok2Ok->tag = 0;
    goToStep(session_.sessionId.isEmpty() ? 1 : 2);
}

void TfoWysylanie::closeEvent(QCloseEvent* event) {
    if (step_ == 3) {
        event->ignore();
        AskStop();
        return;
    }
    QDialog::closeEvent(event);
}

void TfoWysylanie::reject() {
    // Escape and the close box go through here: never away from a running upload.
    if (step_ == 3) {
        AskStop();
        return;
    }
    QDialog::reject();
}

void TfoWysylanie::keyPressEvent(QKeyEvent* event) {
    // Escape reaches `reject`, which never leaves a running upload.
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        QDialog::keyPressEvent(event);
        return;
    }
    switch (step_) {
    case 1:
        Krok1Ok();
        break;
    case 2:
        Krok2Ok();
        break;
    case 3:
        AskStop();
        break;
    case 4:
        OpenSessionPage();
        break;
    default:
        break;
    }
}

void TfoWysylanie::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    if (!(windowState() & Qt::WindowMinimized)) {
        restoreTogether();
        return;
    }
    // Minimising the wizard minimises the whole program; restoring any of it brings the wizard back,
    // which would otherwise block the program from behind the task bar.
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top != this && top->isVisible() && top->isWindow() &&
            !(top->windowState() & Qt::WindowMinimized) && qobject_cast<QDialog*>(top) == nullptr) {
            minimisedWithMe_ << top;
            top->installEventFilter(this);
            top->showMinimized();
        }
}

void TfoWysylanie::restoreTogether() {
    const QList<QPointer<QWidget>> windows = std::exchange(minimisedWithMe_, {});
    for (const QPointer<QWidget>& top : windows) {
        if (!top)
            continue;
        top->removeEventFilter(this);
        if (top->windowState() & Qt::WindowMinimized)
            top->setWindowState(top->windowState() & ~Qt::WindowMinimized);
    }
    if (windowState() & Qt::WindowMinimized)
        setWindowState(windowState() & ~Qt::WindowMinimized);
    if (isVisible()) {
        raise();
        activateWindow();
    }
}

} // namespace ui
