#pragma once

// The about window "O programie": the product, its version and copyright, and two lines about the
// machine (the operating system and its physical memory). One modal run. UI thread only.
#include <QDialog>

class QLabel;

namespace ui {

class PictureButton;

struct AboutTexts {
    QString product;
    QString version;
    QString copyright;
    QString system;
    QString memory;

    // The program's own values and this machine's.
    static AboutTexts current();
};

class TfoAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfoAbout(const AboutTexts& texts, QWidget* parent = nullptr);

    QLabel* iNaglowek = nullptr;
    QLabel* laProdukt = nullptr;
    QLabel* laWersja = nullptr;
    QLabel* laCopy = nullptr;
    QLabel* laSystem = nullptr;
    QLabel* laMemStat = nullptr;
    PictureButton* iOk = nullptr;
};

} // namespace ui
