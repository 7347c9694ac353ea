// Seeded random sequences of a customer's commands on the main window (next/previous, thumbnail clicks,
// F5, turns, filters, the two adjustment dialogs, undo/redo, discard, save and save as with every answer
// and a write that fails), with random pauses so that background work lands at every point. After each
// step the window is checked against a plain model: the name shown is the document's photo, no file on
// disk changed but by a confirmed save to the file the question named, and, once the work has landed,
// the bitmap is the photo as read with the accepted changes applied by the same pure functions, and
// `Modified` holds exactly when the history stands away from the saved step.
#include "document/changes.h"
#include "document/photodocument.h"
#include "imaging/colour.h"
#include "imaging/imagefile.h"
#include "ui/edit/adjustmentdialog.h"
#include "ui/edit/tfozapisz.h"
#include "uitestsupport.h"

namespace {

using Answer = ui::Prompts::Answer;
using ui::TfoZapisz;
using Op = std::function<void(QImage&)>;

QImage gradient(QSize size, int seed) {
    QImage img(size, QImage::Format_ARGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            img.setPixel(x, y, qRgb((x * 40 + seed) & 255, (y * 30 + 2 * seed) & 255, (x * y + seed) & 255));
    return img;
}

// What the customer's photo should be: read from `file`, then each step's operations in turn (a discard
// reads the file again). The file is read when the check is made: every save to the photo's own file
// opens it anew, so what was read then is what is there now.
struct Model {
    QString file;
    std::optional<QImage> base; // the photo as read, once pinned
    std::vector<std::vector<Op>> states{{}};
    int idx = 0;
    int clean = 0;

    bool modified() const { return idx != clean; }
    void open(const QString& path) {
        file = path;
        base.reset();
        states = {{}};
        idx = 0;
        clean = 0;
    }
    void push(Op op) {
        std::vector<Op> next = states[idx];
        next.push_back(std::move(op));
        states.resize(idx + 1);
        states.push_back(std::move(next));
        if (clean > idx)
            clean = -1;
        ++idx;
    }
    // Before the photo's own file is written while the photo stays in memory: what was read stays.
    void pin() {
        const QImage read = imaging::LoadPhoto(file).bitmap;
        if (!base)
            base = read;
        for (auto& ops : states)
            for (Op& op : ops)
                if (!op)
                    op = [read](QImage& b) { b = read; };
    }
    QImage expected() const {
        QImage b = base ? *base : imaging::LoadPhoto(file).bitmap;
        for (const Op& op : states[idx])
            op ? op(b) : void(b = imaging::LoadPhoto(file).bitmap); // an empty op is a discard
        return b;
    }
};

class DocumentModel : public uitest::WindowTest {
protected:
    QString folder;
    std::mt19937 rng;
    Model model;
    std::map<QString, QByteArray> disk; // the folder as the sequence began
    QSet<QString> allowed;              // files a confirmed save may write
    // What the save dialog answers next: its result and, for a new file, the name.
    std::deque<std::pair<int, QString>> saveAnswers;

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
    QString path(const QString& name) const {
        return QDir::toNativeSeparators(folder + QLatin1Char('/') + name);
    }

    void SetUp() override {
        folder = h.photoFolder(QStringLiteral("zdjecia"));
        h.build();
        w().runDialog = [this](QDialog& d) { return answer(d); };
    }

    int answer(QDialog& d) {
        if (auto* z = dynamic_cast<TfoZapisz*>(&d)) {
            EXPECT_FALSE(saveAnswers.empty());
            if (saveAnswers.empty())
                return int(QDialog::Rejected);
            const auto [result, name] = saveAnswers.front();
            saveAnswers.pop_front();
            if (result == TfoZapisz::kNewFile)
                z->eNowyPlik->setText(name);
            return result;
        }
        auto& a = dynamic_cast<ui::AdjustmentDialog&>(d);
        // A dialog adjusts the photo as it stands: it opens only once every change has landed.
        EXPECT_TRUE(w().document()->bitmap().convertToFormat(QImage::Format_ARGB32) == model.expected())
            << trace;
        QList<int> values;
        for (QSlider* s : a.sliders) {
            s->setValue(pick(2 * s->maximum() + 1) - s->maximum());
            values << s->value();
        }
        // With no preview computed, OK keeps the photo as it was but still counts as a change.
        const bool preview = pick(4) != 0;
        if (preview)
            QMetaObject::invokeMethod(a.tAktualizuj, "timeout");
        a.waitForPreview();
        if (pick(3) == 0)
            return int(QDialog::Rejected);
        if (!preview)
            model.push([](QImage&) {});
        else if (values.size() == 2)
            model.push([v = values](QImage& b) { ui::TfoJasnoscKontrast::Adjust(b, v[0], v[1]); });
        else
            model.push([v = values](QImage& b) { imaging::AdjustHsl(b, v[0], v[1], v[2]); });
        return int(QDialog::Accepted);
    }

    // A fresh folder of three photos, the first one shown.
    void startSequence() {
        settle();
        w().document()->setModified(false);
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        const QSize sizes[] = {{12, 8}, {10, 6}, {8, 8}};
        for (int i = 0; i < 3; ++i)
            ASSERT_TRUE(imaging::SaveJpeg(gradient(sizes[i], 20 * i + pick(50)),
                                          path(QStringLiteral("p%1.jpg").arg(i)), 90)
                            .ok());
        // A folder where one save's name is: that write fails.
        ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("blokada.jpg")));
        w().OpenFolder(QDir::toNativeSeparators(folder), QString());
        settle();
        h.prompts.records.clear();
        h.prompts.answers.clear();
        saveAnswers.clear();
        model.open(path(QStringLiteral("p0.jpg")));
        disk.clear();
        allowed.clear();
        for (const QString& f : QDir(folder).entryList(QDir::Files))
            disk[f] = bytesOf(f);
    }
    QByteArray bytesOf(const QString& name) const { return testsupport::ReadFile(path(name)); }

    // The answers of one save through the dialog, and what becomes of the edit. Returns whether the
    // write happened (the photo may be left).
    enum class Saved { Written, Refused, Failed, Cancelled };
    Saved plannedSave(bool existingAllowed) {
        const int choice = pick(existingAllowed ? 5 : 4);
        if (choice == 0) {
            saveAnswers.push_back({int(QDialog::Rejected), {}});
            return Saved::Cancelled;
        }
        QString target;
        if (choice == 4) {
            saveAnswers.push_back({TfoZapisz::kExistingFile, {}});
            target = model.file;
        } else {
            const QString name =
                choice == 1 ? QStringLiteral("blokada") : QStringLiteral("kopia%1").arg(pick(2));
            saveAnswers.push_back({TfoZapisz::kNewFile, name});
            target = path(name + QStringLiteral(".jpg"));
        }
        if (QFileInfo::exists(target) || allowed.contains(QFileInfo(target).fileName())) {
            const bool yes = pick(3) != 0;
            h.prompts.answers.push_back(yes ? Answer::Yes : Answer::No);
            if (!yes)
                return Saved::Refused;
        }
        if (QFileInfo(target).isDir())
            return Saved::Failed;
        if (target == model.file)
            model.pin();
        allowed.insert(QFileInfo(target).fileName());
        pendingTarget = target;
        return Saved::Written;
    }
    QString pendingTarget;

    // Leaving the photo for `target` (a path), or for the folder's first photo read anew (F5).
    void leaveFor(const std::function<QString()>& targetOf, bool reread) {
        if (!leavingNow) {
            leavingNow = true;
            leaveGoes = planLeave();
            left = model;
            left.clean = left.idx; // saved, or dropped on the customer's word
        }
        if (!leaveGoes)
            return;
        model = left;
        const QString target = targetOf(); // after the save planned on the way out
        if (reread || target != left.file)
            model.open(target);
    }
    void go(int index) {
        const int count = w().catalogue().size();
        index = std::clamp(index, 0, count - 1);
        if (count == 0 || (!leavingNow && (index == w().catalogue().currentIndex() || w().isWaiting())))
            return;
        const QString target = w().catalogue().at(index).Sciezka;
        w().GoToPhoto(index);
        leaveFor([target] { return target; }, false);
    }
    // The first photo of the folder once it is read again: saves planned so far have written their files.
    QString firstPhoto() const {
        QStringList names = QDir(folder).entryList({QStringLiteral("*.jpg")}, QDir::Files);
        for (const QString& f : allowed)
            if (!names.contains(f))
                names << f;
        names.sort();
        return path(names.value(0));
    }
    Model left;
    bool leavingNow = false;
    bool leaveGoes = false;
    std::string trace; // the commands of the sequence, for a failure's message
    // The answers for leaving the photo; whether it is left.
    bool planLeave() {
        if (!model.modified())
            return true;
        const bool yes = pick(2) == 0;
        h.prompts.answers.push_back(yes ? Answer::Yes : Answer::No);
        trace += yes ? "tak " : "nie ";
        if (!yes)
            return true;
        const Saved s = plannedSave(true);
        trace += "leave-save" + std::to_string(int(s)) + " ";
        return s == Saved::Cancelled || s == Saved::Written; // a cancelled dialog drops the edit
    }
    void step() {
        ui::TfoGlowny& win = w();
        const bool waiting = win.isWaiting();
        leavingNow = leavingNow && waiting;
        const bool loaded = win.document()->loadState() == PhotoDocument::LoadState::Loaded;
        const bool queueing = !waiting && !win.catalogue().isEmpty() &&
                              win.document()->loadState() != PhotoDocument::LoadState::Failed;
        static const std::pair<const char*, PhotoDocument::Change (*)()> kChanges[] = {
            {"aEdycjaObrotL", changes::TurnLeft},  {"aEdycjaObrotP", changes::TurnRight},
            {"aEdycjaBW", changes::BlackAndWhite}, {"aEdycjaSepia", changes::Sepia},
            {"aEdycjaSharpen", changes::Sharpen},
        };
        const int command = pick(16);
        trace += std::to_string(command) + (waiting ? "w " : " ");
        if (command < 5) {
            if (queueing)
                model.push(kChanges[command].second().apply);
            act(kChanges[command].first)->trigger();
        } else if (command == 5) {
            if (!waiting && model.idx > 0)
                --model.idx;
            act("aEdycjaCofnij")->trigger();
        } else if (command == 6) {
            if (!waiting && model.idx + 1 < int(model.states.size()))
                ++model.idx;
            act("aEdycjaPonow")->trigger();
        } else if (command < 9) {
            go(win.catalogue().currentIndex() + (pick(2) ? 1 : -1));
        } else if (command == 9) {
            go(pick(3));
        } else if (command == 10 && (!waiting || leavingNow)) { // F5: the first photo, read anew
            win.Refresh();
            leaveFor([this] { return firstPhoto(); }, true);
        } else if (command == 11 || command == 12) { // the adjustment dialogs: they note what they accepted
            act(pick(2) ? "aEdycjaBrightnessContrast" : "aEdycjaHSL")->trigger();
        } else if (command == 13) {
            if (!waiting && loaded) {
                model.push({}); // the file read again, as a step
                model.clean = model.idx;
            }
            act("aEdycjaAnuluj")->trigger();
        } else if (command >= 14 && !waiting && loaded) { // save or save as
            const bool saveAs = pick(2) == 0;
            const Saved s = plannedSave(true);
            trace += (saveAs ? "as" : "save") + std::to_string(int(s)) + " ";
            if (s == Saved::Written)
                model.open(pendingTarget); // opened anew from the file written
            act(saveAs ? "aPlikZapiszJako" : "aEdycjaZapisz")->trigger();
        }
    }

    void checkAlways(const char* when) {
        const QString shown = w().document()->path();
        if (!shown.isEmpty()) {
            EXPECT_EQ(w().laNazwaPliku->text(), QFileInfo(shown).completeBaseName()) << when;
        }
        for (const QString& f : QDir(folder).entryList(QDir::Files)) {
            // A save on its way writes a temporary file beside its target first; none stays once settled.
            const bool writing = !settledCheck && allowed.contains(f.section(QLatin1Char('.'), 0, 1));
            if (allowed.contains(f) || writing)
                continue;
            EXPECT_TRUE(disk.count(f) && disk[f] == bytesOf(f))
                << "changed without a confirmed save: " << f.toStdString() << " " << when;
        }
    }

    bool settledCheck = false;
    void checkSettled(const char* when) {
        settle();
        settledCheck = true;
        leavingNow = false;
        SCOPED_TRACE(testing::Message() << when << " after " << trace);
        ASSERT_EQ(w().document()->path().toStdString(), model.file.toStdString());
        EXPECT_TRUE(w().document()->bitmap().convertToFormat(QImage::Format_ARGB32) == model.expected());
        EXPECT_EQ(w().isModified(), model.modified()) << model.idx << "/" << model.clean;
        EXPECT_TRUE(h.prompts.answers.empty()) << when;
        EXPECT_TRUE(saveAnswers.empty()) << when;
        checkAlways(when);
        settledCheck = false;
    }
};

TEST_F(DocumentModel, RandomSequencesKeepTheCustomersWork) {
    const int sequences = qEnvironmentVariableIntValue("PIXVALE_MODEL_SEQUENCES") > 0
                              ? qEnvironmentVariableIntValue("PIXVALE_MODEL_SEQUENCES")
                              : 1200;
    const unsigned first = qEnvironmentVariableIntValue("PIXVALE_MODEL_SEED");
    for (int n = 0; n < sequences && !HasFailure(); ++n) {
        const unsigned seed = first + n;
        rng.seed(seed);
        SCOPED_TRACE(testing::Message()
                     << "replay with PIXVALE_MODEL_SEED=" << seed << " PIXVALE_MODEL_SEQUENCES=1");
        startSequence();
        trace.clear();
        const int length = 4 + pick(10);
        for (int i = 0; i < length && !HasFailure(); ++i) {
            step();
            // A pause of 0 to 3 ms with the event loop running, so results land between commands; or
            // every result landed and the whole model checked.
            if (pick(3) == 0) {
                checkSettled("settled");
            } else {
                const int pause = pick(4);
                if (pause > 0)
                    QThread::msleep(pause);
                QCoreApplication::processEvents();
                checkAlways("between commands");
            }
        }
        checkSettled("at the end");
    }
}

} // namespace
