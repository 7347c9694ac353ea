#include "ui/common/filepropertieswindow.h"

#include "core/rounding.h"
#include "imaging/imagefile.h"
#include "ui/common/phototype.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QFutureWatcher>
#include <QImageReader>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>
#include <QtConcurrent>

namespace ui {

namespace {

QString when(const QDateTime& t) {
    return t.isValid() ? t.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) : QString();
}

QString permissionsText(const QFileInfo& info) {
    const QFileDevice::Permissions p = info.permissions();
    const auto bit = [p](QFileDevice::Permission flag, char letter) {
        return QLatin1Char((p & flag) ? letter : '-');
    };
    const QString mode = QString() + bit(QFileDevice::ReadOwner, 'r') + bit(QFileDevice::WriteOwner, 'w') +
                         bit(QFileDevice::ExeOwner, 'x') + bit(QFileDevice::ReadGroup, 'r') +
                         bit(QFileDevice::WriteGroup, 'w') + bit(QFileDevice::ExeGroup, 'x') +
                         bit(QFileDevice::ReadOther, 'r') + bit(QFileDevice::WriteOther, 'w') +
                         bit(QFileDevice::ExeOther, 'x');
    const QString access = !info.isReadable()  ? QStringLiteral("brak dostępu")
                           : info.isWritable() ? QStringLiteral("odczyt i zapis")
                                               : QStringLiteral("tylko do odczytu");
    return access + QStringLiteral(" (") + mode + QLatin1Char(')');
}

} // namespace

QString imageDimensionsText(const QString& path) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QSize size = reader.size();
    if (size.isValid() && reader.transformation().testFlag(QImageIOHandler::TransformationRotate90))
        size.transpose();
    if (!size.isValid()) {
        const imaging::RasterLoad load = imaging::LoadPhotoRaster(path);
        if (load.ok())
            size = QSize(load.raster.width, load.raster.height);
    }
    if (!size.isValid())
        return QStringLiteral("<nieznane>");
    return QStringLiteral("%1 x %2 pikseli").arg(size.width()).arg(size.height());
}

QString bytesText(qint64 bytes) {
    const qint64 tens = bytes % 100;
    const qint64 ones = bytes % 10;
    const char* word = bytes == 1                                             ? "bajt"
                       : (ones >= 2 && ones <= 4 && (tens < 12 || tens > 14)) ? "bajty"
                                                                              : "bajtów";
    return QLocale(QLocale::Polish).toString(bytes) + QLatin1Char(' ') + QString::fromUtf8(word);
}

FileProperties readFileProperties(const QString& path) {
    const QFileInfo info(path);
    FileProperties p;
    p.name = info.fileName();
    p.folder = QDir::toNativeSeparators(info.absolutePath());
    p.type = photoTypeText(info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix());
    // KB as everywhere else in the program: units of 1000 bytes, halves to the even neighbour.
    p.size = bytesText(info.size()) + QStringLiteral(" (") +
             QString::number(core::RoundEven(static_cast<long double>(info.size()) / 1000.0L)) +
             QStringLiteral(" KB)");
    p.created = when(info.birthTime());
    p.modified = when(info.lastModified());
    p.lastRead = when(info.lastRead());
    p.permissions = permissionsText(info);
    return p;
}

FilePropertiesWindow::FilePropertiesWindow(const FileProperties& properties, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("foWlasciwosci"));
    setWindowTitle(QStringLiteral("Właściwości: ") + properties.name);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight);
    form->setHorizontalSpacing(14);
    const auto row = [&](const char* caption, const QString& text) {
        auto* value = new QLabel(text);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(QString::fromUtf8(caption), value);
        return value;
    };
    row("Nazwa:", properties.name);
    row("Folder:", properties.folder);
    row("Typ:", properties.type);
    row("Rozmiar:", properties.size);
    dimensions_ = row("Wymiary:", properties.dimensions);
    if (!properties.created.isEmpty())
        row("Utworzony:", properties.created);
    row("Zmodyfikowany:", properties.modified);
    row("Ostatni dostęp:", properties.lastRead);
    row("Uprawnienia:", properties.permissions);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void FilePropertiesWindow::setDimensions(const QString& text) {
    dimensions_->setText(text);
}

void showFileProperties(QWidget* parent, const QString& path) {
    FileProperties properties = readFileProperties(path);
    properties.dimensions = QStringLiteral("odczytywanie...");
    auto* window = new FilePropertiesWindow(properties, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    // A large picture may need decoding: the window is there at once and the size follows. The watcher
    // dies with the window, so a window closed early gets nothing.
    auto* watcher = new QFutureWatcher<QString>(window);
    QObject::connect(watcher, &QFutureWatcher<QString>::finished, window,
                     [window, watcher] { window->setDimensions(watcher->result()); });
    watcher->setFuture(QtConcurrent::run([path] { return imageDimensionsText(path); }));
    window->show();
}

QString FilePropertiesWindow::valueOf(const QString& caption) const {
    const auto* form = findChild<QFormLayout*>();
    for (int r = 0; form && r < form->rowCount(); ++r) {
        const auto* label = qobject_cast<QLabel*>(form->itemAt(r, QFormLayout::LabelRole)->widget());
        const auto* value = qobject_cast<QLabel*>(form->itemAt(r, QFormLayout::FieldRole)->widget());
        if (label && value && label->text() == caption)
            return value->text();
    }
    return {};
}

} // namespace ui
