#pragma once

// Our own property sheet of a file where the system has none to show: name, folder, type, size in
// bytes and KB, pixel dimensions, dates and permissions. Non-modal like the system's sheet. UI thread
// only; the facts are gathered by a pure function of the file.
#include <QDialog>
#include <QString>

class QLabel;

namespace ui {

struct FileProperties {
    QString name;
    QString folder;
    QString type;
    QString size;       // "2 913 134 bajtów (2913 KB)"
    QString dimensions; // filled by the caller: see imageDimensionsText
    QString created;    // empty where the system does not keep it
    QString modified;
    QString lastRead;
    QString permissions; // "odczyt i zapis (rw-r--r--)"
};

// Reads the facts of one file, all but the dimensions. Any thread.
FileProperties readFileProperties(const QString& path);

// "4032 x 3024 pikseli" (upright), or "<nieznane>": from the picture's header where the system reads the
// format, otherwise by decoding it with the program's image layer. Any thread.
QString imageDimensionsText(const QString& path);

// Opens the window for one file; the dimensions arrive from a worker thread when they are known.
void showFileProperties(QWidget* parent, const QString& path);

// "1 bajt", "2 bajty", "5 bajtów", "22 bajty", "112 bajtów": Polish counting of bytes, digits grouped.
QString bytesText(qint64 bytes);

class FilePropertiesWindow : public QDialog {
    Q_OBJECT
public:
    FilePropertiesWindow(const FileProperties& properties, QWidget* parent = nullptr);

    // The value shown on the row with this caption ("Rozmiar:"), for tests.
    QString valueOf(const QString& caption) const;
    void setDimensions(const QString& text);

private:
    QLabel* dimensions_ = nullptr;
};

} // namespace ui
