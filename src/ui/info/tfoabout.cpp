#include "ui/info/tfoabout.h"

#include "core/versioninfo.h"
#include "ui/common/keyboardbutton.h"
#include "ui/common/picturebutton.h"
#include "ui/common/textfit.h"

#include <QFrame>
#include <QIcon>
#include <QLabel>

namespace ui {

namespace {

QLabel* line(const QString& name, const QString& text, QPoint at, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->move(at);
    l->adjustSize();
    return l;
}

} // namespace

AboutTexts AboutTexts::current() {
    const core::TVerInfoRes version;
    return {version.value(core::TVerInfoRes::ProductName), version.fileVersion(),
            version.value(core::TVerInfoRes::LegalCopyright), core::operatingSystemLine(),
            core::memoryLine(core::physicalMemoryBytes())};
}

TfoAbout::TfoAbout(const AboutTexts& texts, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("foAbout"));
    setWindowTitle(QStringLiteral("O programie"));
    // A single border with the system menu only: no help button, no resizing.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(400, 300);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(230, 230, 230));
    setPalette(pal);
    setAutoFillBackground(true);

    iNaglowek = new QLabel(this);
    iNaglowek->setObjectName(QStringLiteral("iNaglowek"));
    iNaglowek->setGeometry(0, 0, 400, 75);
    iNaglowek->setPixmap(
        QIcon(QStringLiteral(":/pictures/oprogramie.svg")).pixmap(QSize(400, 75), devicePixelRatioF()));

    laProdukt = line(QStringLiteral("laProdukt"), texts.product, QPoint(65, 85), this);
    QFont bold = laProdukt->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.25);
    laProdukt->setFont(bold);
    laProdukt->adjustSize();
    laWersja = line(QStringLiteral("laWersja"), texts.version, QPoint(65, 105), this);
    laCopy = line(QStringLiteral("laCopy"), texts.copyright, QPoint(65, 125), this);

    auto* bPasek = new QFrame(this);
    bPasek->setObjectName(QStringLiteral("bPasek"));
    bPasek->setFrameShape(QFrame::HLine);
    bPasek->setFrameShadow(QFrame::Sunken);
    bPasek->setGeometry(65, 225, 321, 2);

    laSystem = new QLabel(this);
    laSystem->setObjectName(QStringLiteral("laSystem"));
    laSystem->setGeometry(65, 230, 320, 15);
    // The line keeps its width; a long one is shortened and shown whole in the hint.
    laSystem->setText(fitText(texts.system, laSystem->fontMetrics(), laSystem->width()));
    laSystem->setToolTip(texts.system);
    laMemStat = line(QStringLiteral("laMemStat"), texts.memory, QPoint(65, 245), this);

    iOk = new PictureButton(QStringLiteral("iOk"), QStringLiteral(":/pictures/ok.svg"), QSize(78, 26), this);
    iOk->move(310, 259);
    connect(iOk, &PictureButton::clicked, this, &QDialog::accept);
    makeDefaultButton(iOk);
    iOk->setAccessibleName(QStringLiteral("OK"));

    move(30, 30);
}

} // namespace ui
