#include "ui/batchcrop/autoalignment.h"

#include "imaging/subjectscan.h"
#include "ui/batchcrop/photolist.h"
#include "ui/batchcrop/tfokadrownie.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace ui {

QString AutoAlignmentHint() {
    return QStringLiteral("Program sam wybierze dla każdego zdjęcia część, w której mieszczą się twarze "
                          "osób (a na zdjęciach bez ludzi – część z największą liczbą szczegółów).");
}

QString SearchProgressText(int done, int total) {
    return QStringLiteral("wyszukiwanie twarzy: %1 z %2").arg(done).arg(total);
}

AutoAlignment::AutoAlignment(TfoKadrownie& wizard)
    : QObject(&wizard)
    , wizard_(wizard) {
    auto* rb = new QRadioButton(QStringLiteral("automatycznie"), wizard.pKrok3);
    rb->setObjectName(QStringLiteral("rbKadorwanieAutomatycznie"));
    rb->setGeometry(350, 252, 130, 20);
    rb->setIcon(QIcon(QStringLiteral(":/batchcrop/automatycznie.svg")));
    rb->setIconSize(QSize(17, 20));
    rb->setToolTip(AutoAlignmentHint());
    rbKadorwanieAutomatycznie_ = rb;
    laWyszukiwanie_ = new QLabel(wizard.pKrok3);
    laWyszukiwanie_->setObjectName(QStringLiteral("laWyszukiwanie"));
    laWyszukiwanie_->setGeometry(240, 8, 238, 18);
    laWyszukiwanie_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    laWyszukiwanie_->hide();
    setFinder({});
    connect(rb, &QRadioButton::clicked, this, &AutoAlignment::choose);
    connect(wizard.pbLista, &PhotoList::entryAligned, this, [this](int row) { byHand_.insert(row); });
}

void AutoAlignment::setFinder(std::function<imaging::PhotoSubjects(const QString& path)> find) {
    delete scan_;
    scan_ = new imaging::SubjectScan(this, std::move(find));
    connect(scan_, &imaging::SubjectScan::found, this, &AutoAlignment::found);
}

void AutoAlignment::listShown() {
    const QList<WizardEntry>& rows = wizard_.work();
    QStringList paths;
    scanRows_.clear();
    for (int row = 0; row < rows.size(); ++row)
        if (!known_.contains(rows.at(row).Sciezka)) {
            paths << rows.at(row).Sciezka;
            scanRows_ << row;
        }
    looking_ = static_cast<int>(paths.size());
    scanned_ = looking_;
    scan_->start(paths);
    showProgress();
}

void AutoAlignment::end() {
    active_ = false;
    byHand_.clear();
    showProgress();
}

void AutoAlignment::stepLeft() {
    scan_->stop();
    looking_ = 0;
    end();
}

void AutoAlignment::choose() {
    active_ = true;
    byHand_.clear();
    for (int row = 0; row < wizard_.work().size(); ++row)
        align(row);
    showProgress();
}

void AutoAlignment::align(int row) {
    const auto known = known_.constFind(wizard_.work().at(row).Sciezka);
    if (known != known_.constEnd())
        wizard_.pbLista->setAlignment(row, imaging::ChooseAlignment(*known, wizard_.formatCode()));
}

void AutoAlignment::found(int index, const QString& path, const imaging::PhotoSubjects& subjects) {
    known_.insert(path, subjects);
    --looking_;
    const int row = scanRows_.value(index, -1);
    // The list is rebuilt whenever the step is entered: the finding has to be for the photo of its row.
    if (row >= 0 && row < wizard_.work().size() && wizard_.work().at(row).Sciezka == path) {
        if (onFinding)
            onFinding(row, path);
        if (active_ && !byHand_.contains(row))
            align(row);
    }
    showProgress();
}

void AutoAlignment::showProgress() {
    const bool waiting = active_ && looking_ > 0;
    laWyszukiwanie_->setVisible(waiting);
    laWyszukiwanie_->setText(SearchProgressText(scanned_ - looking_, scanned_));
    if (wizard_.step() == 3)
        wizard_.btDalej->setEnabled(!waiting);
}

} // namespace ui
