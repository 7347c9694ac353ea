#include "ui/edit/adjustmentdialog.h"

#include "document/bitmapwork.h"
#include "imaging/colour.h"
#include "ui/common/keyboardbutton.h"
#include "ui/common/picturebutton.h"

#include <QLabel>
#include <QSlider>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

namespace ui {

AdjustmentDialog::AdjustmentDialog(const QString& caption, QSize clientSize, const QString& description,
                                   const QList<SliderSpec>& specs, Adjust adjust, const QImage& untouched,
                                   PreviewSink sink, QWidget* parent)
    : EditDialog(caption, clientSize, parent)
    , adjust_(std::move(adjust))
    , untouched_(untouched)
    , sink_(std::move(sink)) {
    pool_.setMaxThreadCount(1);
    QLabel* opis = addLabel(QStringLiteral("laOpis"), description, {20, 14, clientSize.width() - 40, 24});
    QFont bold = opis->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    opis->setFont(bold);
    int y = 56;
    for (const SliderSpec& s : specs) {
        QLabel* caption =
            addLabel(QString::fromLatin1(s.captionLabel), QString::fromUtf8(s.caption), {20, y, 80, 20});
        auto* slider = new QSlider(Qt::Horizontal, this);
        caption->setBuddy(slider);
        slider->setObjectName(QString::fromLatin1(s.slider));
        slider->setRange(-s.range, s.range);
        slider->setValue(0);
        slider->setTickInterval(10);
        slider->setTickPosition(QSlider::TicksBelow);
        slider->setGeometry(100, y - 4, 210, 30);
        QLabel* value = addLabel(QString::fromLatin1(s.valueLabel), QStringLiteral("0"), {318, y, 44, 20});
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        connect(slider, &QSlider::valueChanged, this, &AdjustmentDialog::sliderChange);
        sliders.append(slider);
        valueLabels.append(value);
        values_.append(0);
        y += 55;
    }
    tAktualizuj = new QTimer(this);
    tAktualizuj->setObjectName(QStringLiteral("tAktualizuj"));
    tAktualizuj->setInterval(700);
    connect(tAktualizuj, &QTimer::timeout, this, &AdjustmentDialog::timerTick);

    const int buttons = clientSize.height() - 56;
    iResetuj = addButton(QStringLiteral("iResetuj"), QStringLiteral(":/editing/resetuj.svg"),
                         QStringLiteral("Resetuj"), {20, buttons});
    iOk = addButton(QStringLiteral("iOk"), QStringLiteral(":/pictures/zastosuj.svg"), QStringLiteral("OK"),
                    {clientSize.width() - 106, buttons});
    iAnuluj = addButton(QStringLiteral("iAnuluj"), QStringLiteral(":/pictures/anulujkadr.svg"),
                        QStringLiteral("Anuluj"), {clientSize.width() - 60, buttons});
    connect(iOk, &PictureButton::clicked, this, &QDialog::accept);
    makeDefaultButton(iOk);
    connect(iAnuluj, &PictureButton::clicked, this, &QDialog::reject);
    connect(iResetuj, &PictureButton::clicked, this, [this] {
        for (QSlider* s : sliders)
            s->setValue(0);
    });
}

AdjustmentDialog::~AdjustmentDialog() {
    if (watcher_)
        watcher_->disconnect(this);
    pool_.waitForDone();
}

void AdjustmentDialog::sliderChange() {
    tAktualizuj->stop();
    for (qsizetype i = 0; i < sliders.size(); ++i) {
        values_[i] = sliders[i]->value();
        valueLabels[i]->setText(QString::number(values_[i]));
    }
    tAktualizuj->start();
}

void AdjustmentDialog::timerTick() {
    tAktualizuj->stop();
    // A newer computation supersedes the one in flight: its result is never shown.
    if (watcher_)
        watcher_->disconnect(this);
    auto* watcher = new QFutureWatcher<Preview>(this);
    watcher_ = watcher;
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] { take(watcher); });
    watcher->setFuture(QtConcurrent::run(
        &pool_, [adjust = adjust_, source = untouched_, values = values_, viewCopySize = viewCopySize_] {
            // Every adjustment changes each pixel on its own: copied and adjusted band by band, and the
            // viewer's copy taken from each band while it is in the cache.
            imaging::NearestCopyFromRows copy(viewCopySize);
            QImage photo = document::MapRows(source, adjust(values), copy.sink());
            return Preview{std::move(photo), copy.result()};
        }));
}

void AdjustmentDialog::take(QFutureWatcher<Preview>* watcher) {
    watcher->deleteLater();
    if (watcher != watcher_)
        return;
    watcher_ = nullptr;
    const Preview preview = watcher->result();
    sink_(preview.photo, preview.viewCopy);
}

void AdjustmentDialog::waitForPreview() {
    if (!watcher_)
        return;
    QFutureWatcher<Preview>* watcher = watcher_;
    watcher->waitForFinished();
    watcher->disconnect(this);
    take(watcher);
}

TfoJasnoscKontrast::TfoJasnoscKontrast(const QImage& untouched, PreviewSink sink, QWidget* parent)
    : AdjustmentDialog(
          QStringLiteral("Jasność/Kontrast"), QSize(380, 235), QStringLiteral("Ustaw jasność/kontrast"),
          {{"Jasność", "laJasnosc", "tbJasnosc", "laJasnoscValue", 100},
           {"Kontrast", "laKontrast", "tbKontrast", "laKontrastValue", 100}},
          [](const QList<int>& v) {
              return [table = Table(v[0], v[1])](QImage& b) { imaging::MapChannels(b, table); };
          },
          untouched, std::move(sink), parent) {
    setObjectName(QStringLiteral("foJasnoscKontrast"));
}

void TfoJasnoscKontrast::Adjust(QImage& bitmap, int brightness, int contrast) {
    imaging::MapChannels(bitmap, Table(brightness, contrast));
}

imaging::ChannelTable TfoJasnoscKontrast::Table(int brightness, int contrast) {
    const imaging::ChannelTable c =
        imaging::ContrastTable(static_cast<double>(static_cast<long double>(contrast) / 100.0L));
    const imaging::ChannelTable b =
        imaging::BrightnessTable(static_cast<double>(static_cast<long double>(brightness) / 100.0L));
    imaging::ChannelTable both{};
    for (std::size_t v = 0; v < both.size(); ++v)
        both[v] = b[c[v]];
    return both;
}

TfoHSL::TfoHSL(const QImage& untouched, PreviewSink sink, QWidget* parent)
    : AdjustmentDialog(
          QStringLiteral("Barwa/Nasycenie/Jasność"), QSize(380, 290),
          QStringLiteral("Ustaw barwę/nasycenie/jasność"),
          {{"Barwa", "laHue", "tbHue", "laHueValue", 255},
           {"Nasycenie", "laSaturation", "tbSaturation", "laSaturationValue", 255},
           {"Jasność", "laLightness", "tbLightness", "laLightnessValue", 255}},
          [](const QList<int>& v) {
              return [h = v[0], s = v[1], l = v[2]](QImage& b) { imaging::AdjustHsl(b, h, s, l); };
          },
          untouched, std::move(sink), parent) {
    setObjectName(QStringLiteral("foHSL"));
}

} // namespace ui
