#include "core/catalogue.h"

#include <QCollator>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numeric>

namespace core {

namespace {

// The four listing passes, in order. A file belongs to the pass whose extension equals its own
// (ignoring ASCII case only, so that e.g. a dotless "ı" cannot pass for an "I").
constexpr std::array<QStringView, 4> kPassExtensions = {u".JPG", u".JPEG", u".TIF", u".TIFF"};

char16_t asciiUpper(char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
}

bool equalsIgnoringAsciiCase(QStringView a, QStringView b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (asciiUpper(a[i].unicode()) != asciiUpper(b[i].unicode()))
            return false;
    }
    return true;
}

int passOf(QStringView extension) {
    for (std::size_t pass = 0; pass < kPassExtensions.size(); ++pass) {
        if (equalsIgnoringAsciiCase(extension, kPassExtensions[pass]))
            return static_cast<int>(pass);
    }
    return -1;
}

qint32 thousandsOf(qint64 bytes) {
    const long double thousands = std::nearbyint(static_cast<long double>(bytes) / 1000.0L);
    if (thousands > static_cast<long double>(std::numeric_limits<qint32>::max()))
        return std::numeric_limits<qint32>::max();
    return static_cast<qint32>(thousands);
}

// Fixed-width digits; cheaper than QDateTime::toString's format parser, which dominated large scans.
void appendDigits(QString& out, int value, int width) {
    char16_t digits[4];
    for (int i = width - 1; i >= 0; --i) {
        digits[i] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    }
    out.append(QStringView(digits, width));
}

QString minuteText(const QDateTime& local) {
    // A file that vanished between listing and reading has no time at all.
    if (!local.isValid())
        return {};
    const QDate date = local.date();
    const QTime time = local.time();
    if (date.year() < 0 || date.year() > 9999)
        return local.toString(QStringLiteral("yyyy-MM-dd hh:mm"));
    QString text;
    text.reserve(16);
    appendDigits(text, date.year(), 4);
    text.append(u'-');
    appendDigits(text, date.month(), 2);
    text.append(u'-');
    appendDigits(text, date.day(), 2);
    text.append(u' ');
    appendDigits(text, time.hour(), 2);
    text.append(u':');
    appendDigits(text, time.minute(), 2);
    return text;
}

int sign(int value) {
    return (value > 0) - (value < 0);
}

} // namespace

void Catalogue::scan(const QString& folder) {
    entries_.clear();
    folder_ = folder;
    if (!folder.isEmpty()) {
        QString base = QDir::toNativeSeparators(folder);
        if (!base.endsWith(QDir::separator()))
            base += QDir::separator();

        // One listing split into the four passes keeps each pass in the file system's order.
        std::array<std::vector<ListaPlikow>, kPassExtensions.size()> passes;
        QDir::Filters filters = QDir::Files | QDir::Hidden;
#ifdef Q_OS_WIN
        filters |= QDir::System;
#endif
        QDirIterator it(folder, filters);
        while (it.hasNext()) {
            it.next();
            const QString name = it.fileName();
            const qsizetype dot = name.lastIndexOf(u'.');
            if (dot < 0)
                continue;
            const int pass = passOf(QStringView(name).mid(dot));
            if (pass < 0)
                continue;
            const QFileInfo info = it.fileInfo();
            ListaPlikow entry;
            entry.Nazwa = name.left(dot);
            entry.Rozszerzenie = name.mid(dot);
            entry.Rozmiar = thousandsOf(info.size());
            entry.Data = minuteText(info.lastModified());
            entry.Sciezka = base + name;
            passes[static_cast<std::size_t>(pass)].push_back(std::move(entry));
        }
        for (auto& pass : passes)
            std::move(pass.begin(), pass.end(), std::back_inserter(entries_));
    }
    sortEntries(ByName, true);
    sortKey_ = ByName;
    ascending_ = true;
    if (current_ < 0 || current_ >= size())
        current_ = -1;
}

void Catalogue::sortEntries(int key, bool ascending) {
    const int count = size();
    std::vector<int> order(static_cast<std::size_t>(count));
    std::iota(order.begin(), order.end(), 0);

    std::vector<QCollatorSortKey> nameKeys;
    if (key == ByName) {
        // Collation keys once per entry: comparing them is a byte comparison.
        QCollator collator;
        nameKeys.reserve(order.size());
        for (const ListaPlikow& entry : entries_)
            nameKeys.push_back(collator.sortKey(entry.Nazwa.toLower()));
    }
    auto compareAt = [&](int a, int b) -> int {
        const ListaPlikow& x = entries_[static_cast<std::size_t>(a)];
        const ListaPlikow& y = entries_[static_cast<std::size_t>(b)];
        switch (key) {
        case BySelection:
            return sign(int(x.Zaznaczony) - int(y.Zaznaczony));
        case ByName:
            return sign(nameKeys[static_cast<std::size_t>(a)].compare(nameKeys[static_cast<std::size_t>(b)]));
        case BySize:
            return (x.Rozmiar > y.Rozmiar) - (x.Rozmiar < y.Rozmiar);
        default:
            return sign(QStringView(x.Data).compare(QStringView(y.Data), Qt::CaseSensitive));
        }
    };
    std::sort(order.begin(), order.end(),
              [&](int a, int b) { return ascending ? compareAt(a, b) < 0 : compareAt(a, b) > 0; });

    std::vector<ListaPlikow> sorted;
    sorted.reserve(entries_.size());
    for (int i : order)
        sorted.push_back(std::move(entries_[static_cast<std::size_t>(i)]));
    entries_ = std::move(sorted);
}

void Catalogue::sort(int key) {
    if (isEmpty() || key < BySelection || key > ByDate)
        return;
    const bool hadCurrent = current_ >= 0 && current_ < size();
    const QString currentPath = hadCurrent ? at(current_).Sciezka : QString();
    sortEntries(key, ascending_);
    // With no current photo there is nothing to keep; finding "" would pick entry 0 behind the
    // viewer's back.
    if (hadCurrent)
        current_ = findByPath(currentPath);
}

void Catalogue::headerSort(int column) {
    if (isEmpty() || column < 0 || column > 3)
        return;
    ascending_ = (column + 1 == sortKey_) ? !ascending_ : true;
    sortKey_ = column + 1;
    sort(sortKey_);
}

void Catalogue::setSelection(int mode) {
    if (isEmpty())
        return;
    if (mode < 1 || mode > 3)
        mode = 1;
    for (ListaPlikow& entry : entries_) {
        if (mode == 1)
            entry.Zaznaczony = 1;
        else if (mode == 2)
            entry.Zaznaczony = entry.Zaznaczony ? 0 : 1;
        else
            entry.Zaznaczony = 0;
    }
    if (onMarksChanged)
        onMarksChanged();
}

void Catalogue::toggleMark(int i) {
    if (i < 0 || i >= size())
        return;
    ListaPlikow& entry = at(i);
    entry.Zaznaczony = entry.Zaznaczony ? 0 : 1;
    if (onMarksChanged)
        onMarksChanged();
}

void Catalogue::makeCurrent(int i) {
    moveTo(i);
}

bool Catalogue::moveTo(int i) {
    if (i < 0 || i >= size() || i == current_)
        return false;
    const QString target = at(i).Sciezka;
    if (onLeavePhoto)
        onLeavePhoto();
    // Leaving may save the edited photo, and a save reads the folder again: the index may then name
    // another photo or none at all.
    if (i >= size() || at(i).Sciezka != target) {
        i = indexOfPath(target);
        if (i < 0 || i == current_)
            return false;
    }
    current_ = i;
    if (onCurrentChanged)
        onCurrentChanged(i);
    return true;
}

bool Catalogue::next() {
    if (isEmpty() || current_ >= size() - 1)
        return false;
    return moveTo(current_ + 1);
}

bool Catalogue::previous() {
    if (current_ < 1 || current_ >= size())
        return false;
    return moveTo(current_ - 1);
}

int Catalogue::findByPath(const QString& path) const {
    return std::max(indexOfPath(path), 0);
}

int Catalogue::indexOfPath(const QString& path) const {
    // On a case-sensitive file system two photos may differ only in case; the exact one must win.
    for (int i = 0; i < size(); ++i) {
        if (at(i).Sciezka == path)
            return i;
    }
    for (int i = 0; i < size(); ++i) {
        if (equalsIgnoringAsciiCase(at(i).Sciezka, path))
            return i;
    }
    return -1;
}

int Catalogue::selectedCount() const {
    return static_cast<int>(std::count_if(entries_.begin(), entries_.end(),
                                          [](const ListaPlikow& e) { return e.Zaznaczony != 0; }));
}

qint64 Catalogue::selectedSize() const {
    qint64 total = 0;
    for (const ListaPlikow& entry : entries_) {
        if (entry.Zaznaczony != 0)
            total += entry.Rozmiar;
    }
    return total;
}

} // namespace core
