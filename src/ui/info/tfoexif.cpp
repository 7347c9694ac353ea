#include "ui/info/tfoexif.h"

#include "ui/common/framedwindow.h"
#include "ui/common/keyboardbutton.h"
#include "ui/common/phototype.h"
#include "ui/common/picturebutton.h"
#include "ui/common/textfit.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>

namespace ui {

namespace {

QLabel* caption(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    l->setStyleSheet(QStringLiteral("color: rgb(87, 131, 188);"));
    return l;
}

QLabel* value(const QString& name, const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long name must not widen the window; the label is as wide as the layout gives it.
    l->setMinimumWidth(1);
    l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    return l;
}

} // namespace

TfoEXIF::TfoEXIF(const PhotoDetails& details, QWidget* parent)
    : QDialog(parent)
    , folder_(details.folder) {
    setObjectName(QStringLiteral("foEXIF"));
    setWindowTitle(QStringLiteral("Szczegóły zdjęcia"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(20, 18, 20, 14);
    grid->setHorizontalSpacing(14);
    grid->setVerticalSpacing(6);
    laNazwa = value(QStringLiteral("laNazwa"), details.name, this);
    laFolder = value(QStringLiteral("laFolder"), QString(), this);
    laFolder->setToolTip(details.folder);
    laTyp = value(QStringLiteral("laTyp"), photoTypeText(details.extension), this);
    laWielkosc = value(QStringLiteral("laWielkosc"), details.dimensions, this);
    laRozmiar = value(QStringLiteral("laRozmiar"), details.size, this);
    laData = value(QStringLiteral("laData"), details.date, this);
    const std::pair<const char*, QLabel*> rows[] = {{"Nazwa:", laNazwa},     {"Folder:", laFolder},
                                                    {"Typ:", laTyp},         {"Wielkość:", laWielkosc},
                                                    {"Rozmiar:", laRozmiar}, {"Data:", laData}};
    int row = 0;
    for (const auto& [text, label] : rows) {
        grid->addWidget(caption(QString::fromUtf8(text), this), row, 0);
        grid->addWidget(label, row, 1);
        ++row;
    }
    grid->addWidget(caption(QStringLiteral("Informacje\ndodatkowe:"), this), row, 0);
    mDane = new QPlainTextEdit(this);
    mDane->setObjectName(QStringLiteral("mDane"));
    mDane->setReadOnly(true);
    mDane->setLineWrapMode(QPlainTextEdit::NoWrap);
    mDane->setTabChangesFocus(true);
    mDane->setAccessibleName(QStringLiteral("Informacje dodatkowe"));
    mDane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mDane->setPlainText(details.exifLines.join(QLatin1Char('\n')));
    grid->addWidget(mDane, row, 1);
    grid->setRowStretch(row, 1);
    grid->setColumnStretch(1, 1);

    iOk = new PictureButton(QStringLiteral("iOk"), QStringLiteral(":/pictures/ok.svg"), QSize(78, 26), this);
    connect(iOk, &PictureButton::clicked, this, &QDialog::accept);
    makeDefaultButton(iOk);
    iOk->setAccessibleName(QStringLiteral("OK"));
    grid->addWidget(iOk, row + 1, 1, Qt::AlignRight);

    // The designed size is also the smallest.
    resize(500, 385);
    setMinimumSize(500, 385);
    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
}

void TfoEXIF::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintWhiteFrame(p, size(), kBlue);
}

void TfoEXIF::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    FitFolder();
}

void TfoEXIF::FitFolder() {
    laFolder->setText(fitPath(folder_, laFolder->fontMetrics(), laFolder->width()));
}

void TfoEXIF::keyPressEvent(QKeyEvent* event) {
    // Escape closes with OK, like the button: the window only shows.
    if (event->key() == Qt::Key_Escape) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace ui
