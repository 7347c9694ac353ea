// The wizard's window: header, footer and the five step panels with their controls. The steps' rules
// and the run are in tfokadrownie_steps.cpp.
#include "ui/batchcrop/tfokadrownie.h"

#include "imaging/printformats.h"
#include "ui/batchcrop/autoalignment.h"
#include "ui/batchcrop/photolist.h"
#include "ui/common/shell.h"

#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>

namespace ui {

namespace {

constexpr int kHeaderHeight = 60;
constexpr QRect kPanel(5, 5, 490, 280);
constexpr int kFooterTop = 350;
const QColor kPanelGrey(230, 230, 230);

template <typename Control>
Control* named(Control* control, const char* name, QRect place) {
    control->setObjectName(QLatin1String(name));
    control->setGeometry(place);
    return control;
}

QLabel* label(const char* name, const QString& text, QRect place, QWidget* parent, bool bold = false) {
    auto* l = named(new QLabel(text, parent), name, place);
    if (bold) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    return l;
}

QRadioButton* radio(const char* name, const QString& text, QRect place, QWidget* parent) {
    return named(new QRadioButton(text, parent), name, place);
}

// A sunken line across the window, between the header, the panels and the footer.
void rule(const char* name, int y, QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setObjectName(QLatin1String(name));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(0, y - 1, 500, 2);
}

} // namespace

TfoKadrownie::TfoKadrownie(Prompts& prompts, Shell& shell, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
    , prompts_(prompts)
    , shell_(shell) {
    InitBatchCropResources();
    setObjectName(QStringLiteral("foKadrownie"));
    setWindowTitle(QStringLiteral("Kreator kadrowania"));
    setFixedSize(500, 400);
    setModal(true);
    createHeader();
    createStep1();
    createStep2();
    createStep3();
    createStep4();
    createStep5();
    createFooter();
    enterStep(1);
}

void TfoKadrownie::createHeader() {
    auto* header = named(new QWidget(this), "pNaglowek", QRect(0, 0, 500, kHeaderHeight));
    header->setAutoFillBackground(true);
    QPalette pal = header->palette();
    pal.setColor(QPalette::Window, Qt::white);
    header->setPalette(pal);
    laNaglowek = label("laNaglowek", {}, QRect(16, 11, 400, 18), header, true);
    laOpis = label("laOpis", {}, QRect(32, 31, 400, 18), header);
    auto* icon = named(new QLabel(header), "iNaglowek", QRect(444, 6, 48, 48));
    icon->setPixmap(QIcon(QStringLiteral(":/batchcrop/kreator.svg")).pixmap(48, 48));
    rule("bvNaglowek", kHeaderHeight, this);
}

void TfoKadrownie::createFooter() {
    rule("bvStopka", kFooterTop, this);
    btWstecz = named(new QPushButton(QStringLiteral("< W&stecz"), this), "btWstecz", QRect(249, 364, 75, 25));
    btDalej = named(new QPushButton(QStringLiteral("&Dalej >"), this), "btDalej", QRect(324, 364, 75, 25));
    btAnuluj = named(new QPushButton(QStringLiteral("Anuluj"), this), "btAnuluj", QRect(412, 364, 75, 25));
    btDalej->setDefault(true);
    connect(btDalej, &QPushButton::clicked, this, &TfoKadrownie::btDalejClick);
    connect(btWstecz, &QPushButton::clicked, this, &TfoKadrownie::btWsteczClick);
    connect(btAnuluj, &QPushButton::clicked, this, &TfoKadrownie::btAnulujClick);
}

QWidget* TfoKadrownie::stepPanel(const char* name) {
    auto* panel = named(new QWidget(this), name, kPanel.translated(0, kHeaderHeight));
    panel->setAutoFillBackground(true);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, kPanelGrey);
    panel->setPalette(pal);
    panel->hide();
    return panel;
}

void TfoKadrownie::createStep1() {
    pKrok1 = stepPanel("pKrok1");
    label("laKtore", QStringLiteral("Które zdjęcia chesz kadrować?"), QRect(12, 12, 460, 18), pKrok1, true);
    rbKtore1 =
        radio("rbKtore1", QStringLiteral(" wszystkie (w bieżącym folderze)"), QRect(24, 44, 440, 20), pKrok1);
    rbKtore2 = radio("rbKtore2", QStringLiteral(" tylko zaznaczone"), QRect(24, 70, 440, 20), pKrok1);
    connect(rbKtore1, &QRadioButton::clicked, this, [this] { photoChoice_ = PhotoChoice::All; });
    connect(rbKtore2, &QRadioButton::clicked, this, [this] { photoChoice_ = PhotoChoice::Marked; });
}

void TfoKadrownie::createStep2() {
    pKrok2 = stepPanel("pKrok2");
    label("laFormat", QStringLiteral("Określ format kadrowania zdjęć"), QRect(12, 12, 460, 18), pKrok2, true);
    int y = 40;
    for (const int code : imaging::PrintFormatScreenOrder()) {
        const QByteArray name = "rbFormat" + QByteArray::number(code);
        QRadioButton* rb = radio(name.constData(), imaging::PrintFormatByCode(code)->wizardCaption(),
                                 QRect(24, y, 300, 20), pKrok2);
        rb->setProperty("formatCode", code);
        connect(rb, &QRadioButton::clicked, this, [this, code] { formatCode_ = code; });
        rbFormat.append(rb);
        y += 26;
    }
    laPomocFormaty =
        label("laPomocFormaty", QStringLiteral("<a href=\"#\">pomoc</a>"), QRect(330, 40, 100, 20), pKrok2);
    laPomocFormaty->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    laPomocFormaty->setCursor(Qt::PointingHandCursor);
    connect(laPomocFormaty, &QLabel::linkActivated, this, [this] { shell_.openUrl(PrintFormatsHelpPage()); });
}

void TfoKadrownie::createStep3() {
    pKrok3 = stepPanel("pKrok3");
    label("laOpcje", QStringLiteral("Opcje kadrowania"), QRect(12, 8, 460, 18), pKrok3, true);
    sbLista = named(new QScrollArea(pKrok3), "sbLista", QRect(12, 30, 466, 212));
    sbLista->setWidgetResizable(true);
    sbLista->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sbLista->verticalScrollBar()->setSingleStep(kPhotoRowHeight / 4);
    pbLista = new PhotoList;
    sbLista->setWidget(pbLista);
    label("laDlaWszystkich", QStringLiteral("Opcje dla wszystkich:"), QRect(12, 252, 150, 20), pKrok3);
    rbKadorwanieGora = radio("rbKadorwanieGora", QStringLiteral("góra"), QRect(160, 252, 62, 20), pKrok3);
    rbKadorwanieSrodek =
        radio("rbKadorwanieSrodek", QStringLiteral("środek"), QRect(222, 252, 72, 20), pKrok3);
    rbKadorwanieDol = radio("rbKadorwanieDol", QStringLiteral("dół"), QRect(294, 252, 56, 20), pKrok3);
    autoAlignment = new AutoAlignment(*this);
    connect(rbKadorwanieGora, &QRadioButton::clicked, this,
            [this] { alignAll(imaging::CropAlignment::Top); });
    connect(rbKadorwanieSrodek, &QRadioButton::clicked, this,
            [this] { alignAll(imaging::CropAlignment::Centre); });
    connect(rbKadorwanieDol, &QRadioButton::clicked, this,
            [this] { alignAll(imaging::CropAlignment::Bottom); });
    connect(pbLista, &PhotoList::entryAligned, this, &TfoKadrownie::uncheckAlignAll);
}

void TfoKadrownie::createStep4() {
    pKrok4 = stepPanel("pKrok4");
    label("laGdzie", QStringLiteral("Gdzie umieścić skadrowane zdjęcia"), QRect(12, 12, 460, 18), pKrok4,
          true);
    rbFolder1 = radio("rbFolder1", QStringLiteral(" zastąp pliki w bieżącym folderze"),
                      QRect(24, 40, 440, 20), pKrok4);
    rbFolder2 = radio("rbFolder2", QStringLiteral(" wskaż inny folder"), QRect(24, 66, 440, 20), pKrok4);
    eFolder = named(new QLineEdit(pKrok4), "eFolder", QRect(42, 92, 388, 22));
    eFolder->setReadOnly(true);
    btFolder = named(new QPushButton(QStringLiteral("..."), pKrok4), "btFolder", QRect(434, 91, 28, 24));
    connect(rbFolder1, &QRadioButton::clicked, this,
            [this] { setTarget(imaging::BatchCropTarget::ReplaceInPlace); });
    connect(rbFolder2, &QRadioButton::clicked, this,
            [this] { setTarget(imaging::BatchCropTarget::OtherFolder); });
    connect(btFolder, &QPushButton::clicked, this, &TfoKadrownie::chooseFolder);

    laKompresja = label("laKompresja", QStringLiteral("Określ jakość kompresji JPEG"),
                        QRect(12, 142, 460, 18), pKrok4, true);
    label("laGorsza", QStringLiteral("gorsza"), QRect(24, 178, 60, 20), pKrok4);
    tbQuality = named(new QSlider(Qt::Horizontal, pKrok4), "tbQuality", QRect(86, 170, 316, 32));
    tbQuality->setRange(0, 100);
    tbQuality->setPageStep(5);
    tbQuality->setTickInterval(5);
    tbQuality->setTickPosition(QSlider::TicksBelow);
    label("laLepsza", QStringLiteral("lepsza"), QRect(410, 178, 60, 20), pKrok4);
    connect(tbQuality, &QSlider::valueChanged, this, &TfoKadrownie::tbQualityChange);
}

void TfoKadrownie::createStep5() {
    pKrok5 = stepPanel("pKrok5");
    label("laKadrowanie", QStringLiteral("Kadrowanie zdjęć..."), QRect(12, 12, 460, 18), pKrok5, true);
    laCount = label("laCount", {}, QRect(24, 40, 440, 18), pKrok5);
    pbPostep = named(new QProgressBar(pKrok5), "pbPostep", QRect(24, 62, 442, 18));
    pbPostep->setTextVisible(false);
    laPodsumowanie = label("laPodsumowanie", {}, QRect(24, 92, 442, 34), pKrok5);
    laPodsumowanie->setWordWrap(true);
    laPodsumowanie->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    mNieudane = named(new QPlainTextEdit(pKrok5), "mNieudane", QRect(24, 128, 442, 140));
    mNieudane->setReadOnly(true);
    mNieudane->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    mNieudane->hide();
}

} // namespace ui
