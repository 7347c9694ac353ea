#include "ui/edit/tfozapisz.h"

#include "ui/common/keyboardbutton.h"
#include "ui/common/picturebutton.h"
#include "ui/common/prompts.h"
#include "ui/common/textfit.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>

namespace ui {

TfoZapisz::TfoZapisz(Prompts& prompts, QWidget* parent)
    : EditDialog(QStringLiteral("Zapisz"), QSize(440, 295), parent)
    , prompts_(prompts) {
    setObjectName(QStringLiteral("foZapisz"));
    QLabel* title =
        addLabel(QStringLiteral("laZaloguj"), QStringLiteral("Wybierz nazwe pliku"), {20, 16, 400, 24});
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    big.setBold(true);
    title->setFont(big);
    laKatalog = addLabel(QStringLiteral("laKatalog"), QString(), {20, 46, 400, 18});
    laKatalog->setStyleSheet(QStringLiteral("color: rgb(90, 90, 90);"));

    rbPlikNowy = new QRadioButton(QStringLiteral("nowa nazwa"), this);
    rbPlikNowy->setObjectName(QStringLiteral("rbPlikNowy"));
    rbPlikNowy->setGeometry(20, 78, 120, 22);
    eNowyPlik = new QLineEdit(this);
    eNowyPlik->setObjectName(QStringLiteral("eNowyPlik"));
    eNowyPlik->setGeometry(140, 77, 280, 24);
    rbPlikIstniejacy = new QRadioButton(QStringLiteral("bieżąca nazwa"), this);
    rbPlikIstniejacy->setObjectName(QStringLiteral("rbPlikIstniejacy"));
    rbPlikIstniejacy->setGeometry(20, 112, 120, 22);
    eStaryPlik = new QLineEdit(this);
    eStaryPlik->setObjectName(QStringLiteral("eStaryPlik"));
    eStaryPlik->setGeometry(140, 111, 280, 24);
    eStaryPlik->setReadOnly(true);
    eNowyPlik->setAccessibleName(QStringLiteral("Nowa nazwa pliku"));
    eStaryPlik->setAccessibleName(QStringLiteral("Bieżąca nazwa pliku"));

    laQuality = addLabel(QStringLiteral("laQuality"), QString(), {20, 150, 400, 18});
    tbQuality = new QSlider(Qt::Horizontal, this);
    tbQuality->setObjectName(QStringLiteral("tbQuality"));
    tbQuality->setRange(0, 100);
    tbQuality->setTickInterval(5);
    tbQuality->setTickPosition(QSlider::TicksBelow);
    tbQuality->setGeometry(20, 172, 400, 28);
    tbQuality->setAccessibleName(QStringLiteral("Jakość obrazu JPEG"));
    addLabel(QStringLiteral("laGorsza"), QStringLiteral("gorsza"), {20, 200, 100, 16});
    QLabel* better = addLabel(QStringLiteral("laLepsza"), QStringLiteral("lepsza"), {320, 200, 100, 16});
    better->setAlignment(Qt::AlignRight);

    iOk = addButton(QStringLiteral("iOk"), QStringLiteral(":/pictures/zastosuj.svg"), QStringLiteral("OK"),
                    {326, 238});
    iAnuluj = addButton(QStringLiteral("iAnuluj"), QStringLiteral(":/pictures/anulujkadr.svg"),
                        QStringLiteral("Anuluj"), {376, 238});

    connect(rbPlikNowy, &QRadioButton::clicked, this, &TfoZapisz::chooseNew);
    connect(eNowyPlik, &QLineEdit::textEdited, this, &TfoZapisz::chooseNew);
    // Entering the field chooses the new name, typed or not.
    eNowyPlik->installEventFilter(this);
    connect(rbPlikIstniejacy, &QRadioButton::clicked, this, [this] { eStaryPlik->setEnabled(true); });
    connect(tbQuality, &QSlider::valueChanged, this, &TfoZapisz::tbQualityChange);
    // The picture buttons act on a click.
    connect(iOk, &PictureButton::clicked, this, &TfoZapisz::iOkMouseDown);
    makeDefaultButton(iOk);
    connect(iAnuluj, &PictureButton::clicked, this, &QDialog::reject);
    tbQualityChange();
}

void TfoZapisz::prepare(const QString& newName, const QString& currentName, const QString& folder,
                        int quality) {
    eNowyPlik->setText(newName);
    eStaryPlik->setText(currentName);
    laKatalog->setText(fitPath(folder, laKatalog->fontMetrics(), laKatalog->width()));
    laKatalog->setToolTip(folder);
    tbQuality->setValue(quality);
    tbQualityChange();
    chooseNew();
}

bool TfoZapisz::eventFilter(QObject* watched, QEvent* event) {
    if (watched == eNowyPlik && event->type() == QEvent::FocusIn && !rbPlikNowy->isChecked())
        chooseNew();
    return EditDialog::eventFilter(watched, event);
}

void TfoZapisz::chooseNew() {
    eStaryPlik->setEnabled(false);
    rbPlikNowy->setChecked(true);
    if (isVisible())
        eNowyPlik->setFocus();
}

void TfoZapisz::tbQualityChange() {
    laQuality->setText(QStringLiteral("Jakość obrazu JPEG: ") + QString::number(tbQuality->value()) +
                       QLatin1Char('%'));
}

void TfoZapisz::iOkMouseDown() {
    if (rbPlikNowy->isChecked()) {
        if (eNowyPlik->text().isEmpty()) {
            prompts_.info(this, QStringLiteral("Wprowadź nazwe pliku"));
            return;
        }
        done(kNewFile);
    } else if (rbPlikIstniejacy->isChecked()) {
        done(kExistingFile);
    }
}

QString TfoZapisz::newName() const {
    return eNowyPlik->text();
}

int TfoZapisz::quality() const {
    return tbQuality->value();
}

} // namespace ui
