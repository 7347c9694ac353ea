#pragma once

// The fourth "for all" choice of the batch wizard's third step, "automatycznie": every photo gets the
// alignment whose band keeps its faces (or, without faces, its detail). The photos are looked at on the
// thread pool from the moment the step shows its list, so that most findings are known by the time the
// choice is made; the rest fill their rows in as they arrive. Findings are kept per photo file for the
// window's life. A row the customer sets by hand keeps its alignment. While the choice waits for
// findings the step cannot be left forward: the run needs every alignment. UI thread only.
#include "imaging/bandchoice.h"

#include <QHash>
#include <QObject>
#include <QSet>

#include <functional>

class QLabel;
class QRadioButton;

namespace imaging {
class SubjectScan;
}

namespace ui {

class TfoKadrownie;

class AutoAlignment : public QObject {
    Q_OBJECT
public:
    // Places the radio button and the progress line on the wizard's third panel.
    explicit AutoAlignment(TfoKadrownie& wizard);

    QRadioButton* button() const { return rbKadorwanieAutomatycznie_; }
    bool active() const { return active_; }

    // The step shows a fresh list (every photo centred): look at the photos not yet known.
    void listShown();
    // Another "for all" choice was made: the rows are the customer's again.
    void end();
    // The step is left: nothing more is looked at and the choice ends.
    void stepLeft();

    // Runs on every finding the window takes, before it is used (tests watch the thread and the photo).
    std::function<void(int row, const QString& path)> onFinding;
    // Lets tests look at photos their own way; replaces the scan (call before listShown).
    void setFinder(std::function<imaging::PhotoSubjects(const QString& path)> find);

private:
    void choose();
    void align(int row);
    void found(int row, const QString& path, const imaging::PhotoSubjects& subjects);
    void showProgress();

    TfoKadrownie& wizard_;
    QRadioButton* rbKadorwanieAutomatycznie_ = nullptr;
    QLabel* laWyszukiwanie_ = nullptr;
    imaging::SubjectScan* scan_ = nullptr;
    QHash<QString, imaging::PhotoSubjects> known_; // by full path
    QSet<int> byHand_;                             // rows set by hand since the choice was made
    QList<int> scanRows_;                          // the row of each photo of the current scan
    bool active_ = false;
    int scanned_ = 0; // photos of the current list being looked at
    int looking_ = 0; // of them, those not back yet
};

// The hint of the "automatycznie" button.
QString AutoAlignmentHint();
// "wyszukiwanie twarzy: 3 z 10"
QString SearchProgressText(int done, int total);

} // namespace ui
