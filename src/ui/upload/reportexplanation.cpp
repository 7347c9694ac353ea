#include "ui/upload/reportexplanation.h"

#include <QPainter>
#include <QTextDocument>

namespace ui {

namespace {

QStringList column(const QString& goal, const QString& button, const QString& where, const QString& album) {
    return {goal, QStringLiteral("Naciśnij przycisk \"%1\", zostaniesz przeniesiony/a %2").arg(button, where),
            album};
}

} // namespace

ReportExplanation::ReportExplanation(QWidget* parent)
    : QWidget(parent) {}

QStringList ReportExplanation::paragraphs(int which) {
    if (which == 0)
        return column(
            QStringLiteral("Wybrane zdjęcia wyślij od razu do zamówienia."), QStringLiteral("zamów zdjęcia"),
            QStringLiteral("od razu do strony z określeniem parametrów zamówienia."),
            QStringLiteral("Dodatkowo zdjęcia zostaną umieszczone w albumie, który zaznaczyłeś/aś."));
    return column(QStringLiteral("Przejdź do przeglądania i edycji zdjęć."),
                  QStringLiteral("przejdź do edycji"),
                  QStringLiteral("do listy albumów, skąd możesz edytować zdjęcia."),
                  QStringLiteral("Wybrane zdjęcia zostaną umieszczone w albumie, który zaznaczyłeś/aś."));
}

void ReportExplanation::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int half = (width() - 10) / 2;
    for (int c = 0; c < 2; ++c) {
        QTextDocument text;
        QFont font(QStringLiteral("Verdana"));
        font.setPixelSize(10);
        text.setDefaultFont(font);
        text.setTextWidth(half);
        const QStringList lines = paragraphs(c);
        text.setHtml(
            QStringLiteral("<p style='margin:0 0 3px 0'><b>%1</b></p><p style='margin:0 0 3px 0'>%2</p>"
                           "<p style='margin:0'>%3</p>")
                .arg(lines[0].toHtmlEscaped(), lines[1].toHtmlEscaped(), lines[2].toHtmlEscaped()));
        p.save();
        p.translate(c * (half + 10), 0);
        text.drawContents(&p, QRectF(0, 0, half, height()));
        p.restore();
    }
}

} // namespace ui
