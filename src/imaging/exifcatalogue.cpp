#include "imaging/exifcatalogue.h"

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtEndian>

#include <algorithm>
#include <vector>

namespace imaging::detail {

namespace {

constexpr const char* kCatalogue = "locale/pl/LC_MESSAGES/libexif-12.mo";

// One printf conversion as libexif's format strings use them.
const QRegularExpression& conversion() {
    static const QRegularExpression re(
        QStringLiteral("%(?:(\\d+)\\$)?[-+ #0']*(?:\\d+|\\*)?(?:\\.(?:\\d+|\\*))?(?:hh|h|ll|l|L|z|j|t)?"
                       "[diouxXeEfFgGaAcs]"));
    return re;
}

// A format string of the catalogue with the Polish one, as a pattern over finished texts.
struct Pattern {
    QRegularExpression english; // anchored; one capture per conversion
    QString polish;
    qsizetype literal = 0; // letters and signs besides the conversions: longer is more specific
    bool piece = false;    // appended to another text (starts with a space)
};

struct Catalogue {
    QHash<QString, QString> texts;
    std::vector<Pattern> patterns;
    bool loaded = false;
};

// Pieces of a catalogue file: the strings of entry `i` of the table at `table`.
QByteArray stringAt(const QByteArray& mo, bool bigEndian, quint32 table, quint32 i) {
    const auto word = [&](qsizetype at) -> quint32 {
        if (at < 0 || at + 4 > mo.size())
            return 0;
        const auto* p = reinterpret_cast<const uchar*>(mo.constData() + at);
        return bigEndian ? qFromBigEndian<quint32>(p) : qFromLittleEndian<quint32>(p);
    };
    const qsizetype entry = static_cast<qsizetype>(table) + static_cast<qsizetype>(i) * 8;
    const quint32 length = word(entry);
    const quint32 offset = word(entry + 4);
    if (static_cast<qsizetype>(offset) + length > mo.size())
        return {};
    return mo.mid(offset, length);
}

// A format string's Polish text with the English text's captures in place of its conversions, in
// order (or by their numbers).
QString fill(const QString& polish, const QRegularExpressionMatch& match) {
    QString out;
    qsizetype from = 0;
    int next = 1;
    for (auto it = conversion().globalMatch(polish); it.hasNext();) {
        const QRegularExpressionMatch c = it.next();
        out += polish.mid(from, c.capturedStart() - from);
        const int n = c.captured(1).isEmpty() ? next++ : c.captured(1).toInt();
        out += match.captured(n);
        from = c.capturedEnd();
    }
    return out + polish.mid(from).replace(QStringLiteral("%%"), QStringLiteral("%"));
}

// What a conversion can have printed: a number takes no words with it ("1/%.0f" must not take in
// "1/160 sec.").
QString captureFor(QChar type) {
    switch (type.unicode()) {
    case 's':
        return QStringLiteral("(.+?)");
    case 'c':
        return QStringLiteral("(.)");
    case 'e':
    case 'E':
    case 'f':
    case 'F':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
        return QStringLiteral("([-+]?(?:[0-9.,]+(?:[eE][-+]?[0-9]+)?|inf|nan))");
    default:
        return QStringLiteral("([-+]?(?:0x)?[0-9A-Fa-f]+)");
    }
}

Pattern patternOf(const QString& english, const QString& polish) {
    QString re = QStringLiteral("^");
    qsizetype from = 0;
    qsizetype literal = 0;
    for (auto it = conversion().globalMatch(english); it.hasNext();) {
        const QRegularExpressionMatch c = it.next();
        const QString text = english.mid(from, c.capturedStart() - from);
        re += QRegularExpression::escape(QString(text).replace(QStringLiteral("%%"), QStringLiteral("%")));
        literal += text.size();
        re += captureFor(c.captured().back());
        from = c.capturedEnd();
    }
    const QString rest = english.mid(from);
    re += QRegularExpression::escape(QString(rest).replace(QStringLiteral("%%"), QStringLiteral("%"))) +
          QStringLiteral("$");
    literal += rest.size();
    return {QRegularExpression(re), polish, literal, english.startsWith(QLatin1Char(' '))};
}

Catalogue load() {
    Catalogue catalogue;
    QStringList places =
        QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QString::fromLatin1(kCatalogue));
    places << QStringLiteral("/usr/share/") + QLatin1String(kCatalogue);
    QByteArray mo;
    for (const QString& place : std::as_const(places)) {
        QFile file(place);
        if (file.open(QIODevice::ReadOnly) && file.size() < 4 * 1024 * 1024) {
            mo = file.readAll();
            break;
        }
    }
    if (mo.size() < 28)
        return catalogue;
    const quint32 magic = qFromLittleEndian<quint32>(mo.constData());
    const bool bigEndian = magic == 0xde120495u;
    if (magic != 0x950412deu && !bigEndian)
        return catalogue;
    const auto header = [&](int at) {
        const auto* p = reinterpret_cast<const uchar*>(mo.constData() + at);
        return bigEndian ? qFromBigEndian<quint32>(p) : qFromLittleEndian<quint32>(p);
    };
    const quint32 count = std::min<quint32>(header(8), 100000);
    const quint32 originals = header(12);
    const quint32 translations = header(16);
    for (quint32 i = 0; i < count; ++i) {
        const QByteArray id = stringAt(mo, bigEndian, originals, i);
        const QByteArray str = stringAt(mo, bigEndian, translations, i);
        // The header, texts with a context or plural forms, and untranslated ones are of no use here.
        if (id.isEmpty() || str.isEmpty() || id.contains('\x04') || id.contains('\0'))
            continue;
        const QString english = QString::fromUtf8(id);
        const QString polish = QString::fromUtf8(str);
        catalogue.texts.insert(english, polish);
        if (english.contains(conversion()) &&
            english.contains(QRegularExpression(QStringLiteral("[A-Za-z]"))))
            catalogue.patterns.push_back(patternOf(english, polish));
        else if (english.startsWith(QLatin1Char(' ')))
            catalogue.patterns.push_back(patternOf(english, polish));
    }
    std::stable_sort(catalogue.patterns.begin(), catalogue.patterns.end(),
                     [](const Pattern& a, const Pattern& b) { return a.literal > b.literal; });
    catalogue.loaded = true;
    return catalogue;
}

const Catalogue& catalogue() {
    static const Catalogue loaded = load();
    return loaded;
}

} // namespace

bool PolishExifCatalogueLoaded() {
    return catalogue().loaded;
}

QString PolishExifText(const QString& english) {
    const Catalogue& c = catalogue();
    if (english.isEmpty())
        return english;
    if (const auto it = c.texts.constFind(english); it != c.texts.constEnd())
        return *it;
    for (const Pattern& p : c.patterns) {
        if (p.piece)
            continue;
        if (const QRegularExpressionMatch m = p.english.match(english); m.hasMatch())
            return fill(p.polish, m);
    }
    // A text with a piece appended: the piece and what stands before it, each on its own.
    for (const Pattern& p : c.patterns) {
        if (!p.piece)
            continue;
        for (qsizetype at = english.lastIndexOf(QLatin1Char(' ')); at > 0;
             at = english.lastIndexOf(QLatin1Char(' '), at - 1)) {
            if (const QRegularExpressionMatch m = p.english.match(english.mid(at)); m.hasMatch())
                return PolishExifText(english.left(at)) + fill(p.polish, m);
        }
    }
    return english;
}

} // namespace imaging::detail
