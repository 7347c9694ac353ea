// Cropping to the print formats: the formats, the crop geometry, the automatic choice of the band a height
// cut keeps (faces and detail found in the photo), and the batch run that crops whole lists of photos.
#include "imagefixtures.h"

#include "imaging/bandchoice.h"
#include "imaging/batchcrop.h"
#include "imaging/batchcropwork.h"
#include "imaging/imagefile.h"
#include "imaging/photometadata.h"
#include "imaging/subjects.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPointer>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <libexif/exif-ifd.h>
#include <libexif/exif-tag.h>

#include <cstdio>
#include <random>
#include <stdexcept>
#include <utility>

using namespace imaging;
using fixtures::TempFolder;

namespace {

constexpr auto Top = CropAlignment::Top;
constexpr auto Centre = CropAlignment::Centre;
constexpr auto Bottom = CropAlignment::Bottom;

// Every format's texts are built from its own millimetres and name, its nominal ratio is its name's, and
// lists show the formats by size.
TEST(PrintFormats, TextsRatiosAndOrderFollowEachFormatsOwnSizes) {
    int previousShort = 0;
    for (const int code : PrintFormatScreenOrder()) {
        const PrintFormat* f = PrintFormatByCode(code);
        ASSERT_EQ(f, &PrintFormats().at(static_cast<std::size_t>(code - 1)));
        EXPECT_EQ(f->code, code);
        const QString mm = QStringLiteral("%1x%2mm").arg(f->shortSideMm).arg(f->longSideMm);
        EXPECT_EQ(f->hintText(), QString::fromUtf8("Wielkość zdjęcia ") + mm);
        EXPECT_EQ(f->wizardCaption(), QStringLiteral(" format %1 (%2)").arg(f->nameText(), mm));
        const QStringList sides = f->nameText().split('x');
        EXPECT_EQ(f->ratioLong * sides.value(0).toInt(), f->ratioShort * sides.value(1).toInt()) << f->name;
        EXPECT_NEAR(double(f->longSideMm) / f->shortSideMm, double(f->ratioLong) / f->ratioShort, 0.07);
        EXPECT_GT(f->shortSideMm, std::exchange(previousShort, f->shortSideMm)) << f->name;
    }
    EXPECT_EQ(PrintFormatByCode(0), nullptr);
    EXPECT_EQ(PrintFormatByCode(8), nullptr);
    EXPECT_EQ(QStringList({CropAlignmentName(Top), CropAlignmentName(Centre), CropAlignmentName(Bottom)}),
              QStringList({"góra", "środek", "dół"}));
}

TEST(FitCropFrame, WorkedFrames) {
    const std::tuple<CropFrame, int, QSize, CropFrame> cases[] = {
        // S = 2000, w = Round(2000 / 254 × 152) = 1197, h = Round(1197 / 152 × 102) = 803, same centre.
        {{1000, 1000, 2000, 2000}, 2, {4000, 3000}, {902, 1099, 2099, 1902}},
        // One step to the right: 1501 − (1197 div 2) = 903, where halving exactly would give 902.
        {{1001, 1000, 2001, 2000}, 2, {4000, 3000}, {903, 1099, 2100, 1902}},
        // w = Round(1175.93) = 1176 > 1000: w = 1000, h = 701.
        {{0, 0, 1000, 1000}, 1, {1000, 1000}, {0, 150, 1000, 851}},
        // w = 1164, h = 835 > 600: h = 600, w = Round(600 × 177 / 127) = 836.
        {{0, 0, 1000, 1000}, 3, {2000, 600}, {82, 0, 918, 600}},
        // S = 254: a 152 × 102 frame centred on (5, 122) pushed back over the left edge, and one centred
        // on (155, 182) over the right and bottom edges of a 160 × 110 image.
        {{0, 0, 10, 244}, 2, {500, 400}, {0, 71, 152, 173}},
        {{150, 60, 160, 304}, 2, {160, 110}, {8, 8, 160, 110}}};
    for (const auto& [frame, code, size, fitted] : cases)
        EXPECT_EQ(FitCropFrame(frame, *PrintFormatByCode(code), size.width(), size.height()), fitted)
            << frame.left << "," << frame.top << " code " << code;
}

// A 24-bit raster whose pixel (x, y) holds (B, G, R) = (x mod 256, y mod 256, x / 256 + 16 (y / 256)), so
// a cut-out tells where it came from: `cutOut` reads that back.
Raster positions(int w, int h) {
    Raster r = Raster::allocate(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (const int c : {0, 1, 2})
                r.row(y)[x * 3 + c] = static_cast<std::uint8_t>(c == 0   ? x
                                                                : c == 1 ? y
                                                                         : x / 256 + 16 * (y / 256));
    return r;
}

QRect cutOut(const Raster& r) {
    const auto origin = [&r](int x, int y) {
        const std::uint8_t* p = r.row(y) + x * 3;
        return QPoint(p[0] + 256 * (p[2] % 16), p[1] + 256 * (p[2] / 16));
    };
    EXPECT_EQ(origin(r.width - 1, r.height - 1) - origin(0, 0), QPoint(r.width - 1, r.height - 1));
    return {origin(0, 0), QSize(r.width, r.height)};
}

// On photos of every shape: one too tall for the format keeps its height-cut band, one too wide keeps its
// height and a centred slice of the nominal ratio (never more than it has), one of the format's height
// exactly stays whole. Worked cuts pin the dividing-first arithmetic.
TEST(CropToFormat, TallPhotosKeepTheirBandWidePhotosACentredSlice) {
    std::mt19937 random(7);
    for (int i = 0; i < 140; ++i) {
        const int w = std::uniform_int_distribution(130, 1000)(random);
        const int h = std::uniform_int_distribution(100, 1000)(random);
        const int code = 1 + i % PrintFormatCount;
        const auto alignment = static_cast<CropAlignment>(1 + i / PrintFormatCount % 3);
        const PrintFormat& f = *PrintFormatByCode(code);
        SCOPED_TRACE(testing::Message() << w << "x" << h << " code " << code << " " << int(alignment));
        Raster r = positions(w, h);
        if (!CropToFormat(r, code, alignment))
            continue;
        const QRect cut = cutOut(r);
        const int rows = w / f.longSideMm * f.shortSideMm;
        if (const auto band = HeightCutBand(w, h, code, alignment)) {
            EXPECT_EQ(cut, QRect(0, band->top, w, rows));
            EXPECT_EQ(band->top, alignment == Top ? 0 : alignment == Bottom ? h - rows : (h - rows) / 2);
        } else if (rows == h) {
            EXPECT_EQ(cut, QRect(0, 0, w, h));
        } else {
            const int columns = std::min(h / f.ratioShort * f.ratioLong, w);
            EXPECT_EQ(cut, QRect((w - columns) / 2, 0, columns, h));
        }
    }
    const std::tuple<QSize, int, CropAlignment, QRect> worked[] = {
        {{3000, 2000}, 2, Centre, {0, 31, 3000, 1938}}, // (3000 div 152) × 102 rows
        {{2000, 1000}, 1, Top, {278, 0, 1443, 1000}},   // (1000 div 9) × 13 columns, always centred
        {{2000, 3000}, 2, Top, {0, 0, 2000, 1326}},     // a portrait gives a landscape band
        {{1270, 889}, 1, Centre, {0, 0, 1270, 889}}     // wants 1274 of 1270 columns: the whole width
    };
    for (const auto& [size, code, alignment, expected] : worked) {
        Raster r = positions(size.width(), size.height());
        ASSERT_TRUE(CropToFormat(r, code, alignment));
        EXPECT_EQ(cutOut(r), expected) << size.width() << "x" << size.height();
    }
    // Empty cuts and bad input leave the raster alone: 100 wide at 9x13 gives 0 rows; 1000 × 1 at 20x30
    // gives (1 div 2) × 3 = 0 columns.
    Raster empty1 = positions(100, 200), empty2 = positions(1000, 1), badCode = positions(300, 100), null;
    Raster shortData = positions(300, 400), oddDepth = positions(300, 400);
    shortData.pixels.resize(10);
    oddDepth.bitsPerPixel = 16;
    for (const auto& [raster, code] : {std::pair{&empty1, 1},
                                       {&empty2, 5},
                                       {&badCode, 0},
                                       {&badCode, 8},
                                       {&null, 1},
                                       {&shortData, 1},
                                       {&oddDepth, 1}}) {
        const Raster before = *raster;
        EXPECT_FALSE(CropToFormat(*raster, code, Centre)) << raster->width << " code " << code;
        EXPECT_EQ(raster->pixels, before.pixels);
    }
}

TEST(CropToFormat, OtherDepthsBecomeTwentyFourBitsThroughTheirPalette) {
    const auto bgr = [](const Raster& r, int y, int x) {
        return std::vector<int>(r.row(y) + 3 * x, r.row(y) + 3 * x + 3);
    };
    Raster indexed = Raster::allocate(254, 300, 8);
    indexed.palette = {qRgb(10, 20, 30), qRgb(200, 100, 50)};
    indexed.row(100)[7] = 1;
    indexed.row(101)[7] = 77;                   // no palette entry: black
    ASSERT_TRUE(CropToFormat(indexed, 2, Top)); // 254 div 152 = 1: 102 rows
    ASSERT_EQ(std::tuple(indexed.bitsPerPixel, indexed.height), std::tuple(24, 102));
    EXPECT_EQ(bgr(indexed, 0, 0), (std::vector<int>{30, 20, 10}));
    EXPECT_EQ(bgr(indexed, 100, 7), (std::vector<int>{50, 100, 200}));
    EXPECT_EQ(bgr(indexed, 101, 7), (std::vector<int>{0, 0, 0}));
    Raster mono = Raster::allocate(254, 300, 1);
    mono.palette = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    mono.row(150)[0] = 0x40;                    // pixel 1 of row 150
    ASSERT_TRUE(CropToFormat(mono, 2, Centre)); // rows 99..200
    EXPECT_EQ(bgr(mono, 150 - 99, 1), (std::vector<int>{255, 255, 255}));
    EXPECT_EQ(bgr(mono, 150 - 99, 0), (std::vector<int>{0, 0, 0}));
    Raster nibbles = Raster::allocate(254, 300, 4);
    nibbles.palette.assign(16, qRgb(0, 0, 0));
    nibbles.palette[5] = qRgb(1, 2, 3);
    nibbles.row(299)[1] = 0x05; // pixel 3 of the last row
    ASSERT_TRUE(CropToFormat(nibbles, 2, Bottom));
    EXPECT_EQ(bgr(nibbles, 101, 3), (std::vector<int>{3, 2, 1}));
    Raster withAlpha = Raster::allocate(2000, 1000, 32);
    withAlpha.row(0)[278 * 4 + 2] = 99;
    ASSERT_TRUE(CropToFormat(withAlpha, 1, Centre));
    EXPECT_EQ(std::pair(withAlpha.bitsPerPixel, bgr(withAlpha, 0, 0)),
              std::pair(24, std::vector<int>{0, 0, 99}));
}

bool keepsWhole(const std::optional<RowBand>& band, const QRect& r) {
    return band && r.top() >= band->top && r.bottom() < band->top + band->height;
}

// Whenever some band keeps a lone head whole, the chosen band keeps it whole too; then the rules for
// ties, several faces and detail.
TEST(BandChoice, KeepsALoneHeadWholeWheneverABandCanAndBreaksTiesByTheRules) {
    std::mt19937 random(21);
    int keepable = 0;
    for (int i = 0; i < 2000; ++i) {
        const QSize size(std::uniform_int_distribution(200, 3000)(random),
                         std::uniform_int_distribution(200, 4000)(random));
        const int format = std::uniform_int_distribution(1, 7)(random);
        const int side = std::uniform_int_distribution(10, size.height() / 2)(random);
        const QRect face(0, std::uniform_int_distribution(0, size.height() - side)(random), side, side);
        const auto keeps = [&](CropAlignment a) {
            return keepsWhole(HeightCutBand(size.width(), size.height(), format, a), HeadOfFace(face, size));
        };
        if (!keeps(Top) && !keeps(Centre) && !keeps(Bottom))
            continue;
        ++keepable;
        EXPECT_TRUE(keeps(ChooseAlignment(PhotoSubjects{size, {face}, {}, {}}, format)))
            << size.width() << "x" << size.height() << " format " << format << " face at " << face.top();
    }
    EXPECT_GT(keepable, 500);

    // 3000 × 4000 at 10x15 keeps 1938 rows: top 0-1937, centre 1031-2968, bottom 2062-3999. Faces are
    // 200 pixels square; the head reaches 70 pixels above a face.
    const auto face = [](int y, int x = 1000) { return QRect(x, y, 200, 200); };
    const auto detail = [](std::initializer_list<int> busy) {
        std::vector<long long> d(40, 1);
        for (const int i : busy)
            d[static_cast<std::size_t>(i)] = 100;
        return d;
    };
    const std::tuple<const char*, std::vector<QRect>, std::vector<long long>, CropAlignment> cases[] = {
        {"nothing found", {}, {}, Centre},
        {"top and centre keep the face: the tie keeps the centre", {face(1200)}, {}, Centre},
        {"the centre keeps the face but not the head above it", {face(1040)}, {}, Top},
        {"more faces at the bottom", {face(300), face(3600, 200), face(3650, 2000)}, {}, Bottom},
        {"one face at each end: the top first", {face(300), face(3600)}, {}, Top},
        {"a face no band can hold: the most of it", {QRect(500, 100, 2000, 2600)}, {}, Top},
        {"faces decide before detail", {face(3700)}, detail({0, 1, 2}), Bottom},
        {"detail only at the bottom", {}, detail({36, 37, 38, 39}), Bottom},
        {"detail spread evenly", {}, detail({}), Centre},
        {"as much detail at both ends: the top first", {}, detail({0, 39}), Top},
        {"a flat photo", {}, std::vector<long long>(50, 0), Centre}};
    for (const auto& [what, faces, busy, expected] : cases)
        EXPECT_EQ(ChooseAlignment(PhotoSubjects{{3000, 4000}, faces, busy, {}}, 2), expected) << what;
    EXPECT_EQ(ChooseAlignment(PhotoSubjects{{4000, 2000}, {face(0)}, {}, {}}, 2), Centre) << "a width cut";
}

// The two corpus photos that show a face, marked by hand (eyebrows to chin), and how much they are
// enlarged so that the face is 80 pixels or more across.
const std::tuple<const char*, QRect, int> kPortraits[] = {
    {"grey_noexif.jpg", QRect(37, 36, 50, 48), 2},
    {"konica_minolta_z3_MM_thumb_jfif.jpg", QRect(23, 11, 21, 26), 4}};

bool overlaps(const QRect& found, const QRect& truth) {
    const QRect both = found.intersected(truth), either = found.united(truth);
    return 1.0L * both.width() * both.height() / (1.0L * either.width() * either.height()) >= 0.3L;
}

// A labelled set made from the portraits: each at the top, middle or bottom of a plain or textured
// 640 × 480 or 480 × 640 canvas, so the face's rectangle is known.
TEST(Subjects, FindsThePlacedFacesAndItsBandKeepsThemWhole) {
    int photos = 0, found = 0, keepable = 0, keptByAutomatic = 0, keptByMiddle = 0;
    unsigned seed = 1;
    for (const auto& [file, marked, scale] : kPortraits) {
        const QImage portrait = LoadPhoto(testsupport::corpusFile(file)).bitmap;
        const QImage big =
            portrait.scaled(portrait.size() * scale, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        for (const QSize canvas : {QSize(640, 480), QSize(480, 640)})
            for (const bool textured : {false, true})
                for (const int where : {0, 1, 2}) {
                    // Blotches of every shade, a few pixels across, like foliage or a crowd out of focus.
                    QImage photo =
                        textured ? fixtures::RandomImage(canvas.width() / 8, canvas.height() / 8, seed++,
                                                         0xFF000000U)
                                       .scaled(canvas, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                 : fixtures::Filled(canvas.width(), canvas.height(), qRgb(190, 190, 190));
                    const QPoint at((canvas.width() - big.width()) / 2,
                                    where * (canvas.height() - big.height()) / 2);
                    QPainter(&photo).drawImage(at, big);
                    const QRect face(at + marked.topLeft() * scale, marked.size() * scale);
                    SCOPED_TRACE(testing::Message()
                                 << file << " " << canvas.width() << " " << textured << where);
                    ++photos;
                    const PhotoSubjects subjects = FindSubjects(SearchCopy(photo), photo.size());
                    const bool hit = std::any_of(subjects.faces.begin(), subjects.faces.end(),
                                                 [&](const QRect& f) { return overlaps(f, face); });
                    EXPECT_TRUE(hit);
                    EXPECT_LE(subjects.faces.size(), 1U);
                    found += hit;
                    for (int format = 1; format <= PrintFormatCount; ++format) {
                        const auto keeps = [&](CropAlignment a) {
                            const auto band = HeightCutBand(canvas.width(), canvas.height(), format, a);
                            return !band || keepsWhole(band, face);
                        };
                        if (!keeps(Top) && !keeps(Centre) && !keeps(Bottom))
                            continue;
                        ++keepable;
                        const bool automatic = keeps(ChooseAlignment(subjects, format));
                        EXPECT_TRUE(automatic) << "format " << format;
                        keptByAutomatic += automatic;
                        keptByMiddle += keeps(Centre);
                    }
                }
    }
    std::printf("faces found %d of %d; of %d cuts where a band can keep the face whole, the automatic band "
                "keeps %d, the middle band %d\n",
                found, photos, keepable, keptByAutomatic, keptByMiddle);
    EXPECT_LT(keptByMiddle, keepable); // the set has to tell the two apart
}

// A photo file is looked at on a reduced copy and the faces come back in the photo's own pixels; without
// faces the band follows the detail (a horizon under an empty sky, the top of a building).
TEST(Subjects, ReducedCopyOfAFileAndTheDetailWithoutFaces) {
    const auto& [file, marked, unused] = kPortraits[0];
    const QImage portrait = LoadPhoto(testsupport::corpusFile(file)).bitmap;
    QImage photo = fixtures::Filled(1600, 2000, qRgb(190, 190, 190));
    QPainter(&photo).drawImage(QRect(300, 0, portrait.width() * 8, portrait.height() * 8),
                               portrait); // a 400-pixel face
    const TempFolder dir;
    const PhotoSubjects s = FindSubjectsInFile(dir.write("portret.jpg", fixtures::JpegBytes(photo, 90)));
    EXPECT_EQ(s.size, QSize(1600, 2000));
    EXPECT_EQ(s.searched, QSize(800, 1000)); // the DCT scale of one half: twice the 500-pixel box
    EXPECT_EQ(s.detail.size(), 1000U);
    ASSERT_EQ(s.faces.size(), 1U);
    EXPECT_TRUE(overlaps(s.faces[0], QRect(QPoint(300, 0) + marked.topLeft() * 8, marked.size() * 8)));
    EXPECT_EQ(ChooseAlignment(s, 2), Top);
    const PhotoSubjects none = FindSubjectsInFile(dir.path("brak.jpg")); // unreadable: the default band
    EXPECT_TRUE(none.searched.isEmpty());
    EXPECT_EQ(ChooseAlignment(none, 2), Centre);
    const QSize searched = FindSubjectsInFile(testsupport::corpusFile("jolla_II_nothumb_8mp.jpg")).searched;
    EXPECT_FALSE(searched.isEmpty());
    EXPECT_LE(1LL * searched.width() * searched.height(), kSearchPixels); // an 8-megapixel photo
    const auto drawn = [](int busyTop, int busyBottom) {
        QImage picture = fixtures::Filled(480, 640, qRgb(120, 160, 220));
        QPainter painter(&picture);
        for (int y = busyTop; y < busyBottom; y += 6)
            painter.fillRect(0, y, 480, 3, QColor(40, 90, 30));
        painter.end();
        return FindSubjects(SearchCopy(picture), picture.size());
    };
    EXPECT_TRUE(drawn(400, 640).faces.empty());
    EXPECT_EQ(ChooseAlignment(drawn(400, 640), 2), Bottom);
    EXPECT_EQ(ChooseAlignment(drawn(10, 300), 2), Top);
    EXPECT_EQ(ChooseAlignment(drawn(0, 640), 2), Centre);
}

using Answer = BatchCropRun::Overwrite;
using Worker = std::function<detail::BatchCropProduct(const BatchCropItem&, const BatchCropOptions&)>;

BatchCropItem Item(const QString& path, const QString& name = {}, CropAlignment alignment = Centre) {
    return {path, name.isEmpty() ? QFileInfo(path).fileName() : name, alignment};
}

// Items p1.jpg .. pN.jpg, all of one corpus photo; with `oldIn`, a file "old" already stands under each
// name in that folder.
QList<BatchCropItem> Numbered(int count, const char* photo, const TempFolder* oldIn = nullptr) {
    QList<BatchCropItem> items;
    for (int i = 1; i <= count; ++i) {
        if (oldIn)
            oldIn->write(QStringLiteral("p%1.jpg").arg(i), "old");
        items << Item(testsupport::corpusFile(photo), QStringLiteral("p%1.jpg").arg(i));
    }
    return items;
}

BatchCropOptions Options(BatchCropTarget target, const QString& folder = {}, int quality = 80) {
    BatchCropOptions options;
    options.formatCode = 2;
    options.quality = quality;
    options.target = target;
    options.folder = folder;
    return options;
}

QStringList filesIn(const TempFolder& dir) {
    return QDir(dir.dir.path()).entryList(QDir::Files);
}

// A run and everything it tells its owner, with whether all of it arrived on the owner's (UI) thread.
struct Recorder {
    std::vector<int> positions;
    std::vector<QString> questions;
    std::vector<Answer> answers; // given in turn; No once they run out
    int finishedCount = 0;
    std::optional<BatchCropOutcome> outcome;
    testsupport::ThreadRecorder threads;
    std::function<void(int)> onProgress;
    std::function<void()> onQuestion;
    std::unique_ptr<BatchCropRun> run;

    Recorder(QList<BatchCropItem> items, BatchCropOptions options, bool withQuestion = true) {
        const auto count = static_cast<int>(items.size());
        BatchCropRun::OverwriteQuestion question = [this](const QString& target) {
            threads.note();
            questions.push_back(target);
            if (onQuestion)
                onQuestion();
            return questions.size() <= answers.size() ? answers[questions.size() - 1] : Answer::No;
        };
        run = std::make_unique<BatchCropRun>(std::move(items), std::move(options),
                                             withQuestion ? question : BatchCropRun::OverwriteQuestion{});
        QObject::connect(run.get(), &BatchCropRun::progress, [this, count](int position, int total) {
            threads.note();
            EXPECT_EQ(total, count);
            positions.push_back(position);
            if (onProgress)
                onProgress(position);
        });
        QObject::connect(run.get(), &BatchCropRun::finished, [this](const BatchCropOutcome& o) {
            threads.note();
            ++finishedCount;
            outcome = o;
        });
    }

    void work(const Worker& worker) {
        BatchCropRunProbe::setWorker(*run,
                                     [worker](const BatchCropItem& item, const BatchCropOptions& options,
                                              const std::atomic<bool>&) { return worker(item, options); });
    }

    // Starts the run and turns the event loop until it ends, then until a marker queued behind whatever
    // the run posted has run, so that a second `finished` would be seen.
    BatchCropOutcome runToEnd() {
        run->start();
        EXPECT_TRUE(testsupport::waitUntil([this] { return outcome.has_value(); }, 20000));
        QThreadPool::globalInstance()->waitForDone(10000);
        EXPECT_TRUE(testsupport::deliverQueued(run.get()));
        EXPECT_EQ(finishedCount, 1);
        EXPECT_TRUE(threads.allOnUi());
        return outcome.value_or(BatchCropOutcome{});
    }
};

detail::BatchCropProduct encoded(const BatchCropItem& item, const BatchCropOptions& options) {
    const std::atomic<bool> cancelled{false};
    return detail::CropAndEncode(item, options, cancelled);
}

TEST(BatchCrop, TargetPathsAndTheSummary) {
    const QString in = QDir::toNativeSeparators("/photos/"), out = QDir::toNativeSeparators("/out/");
    const std::tuple<const char*, BatchCropTarget, QString, QString> cases[] = {
        {"a.jpg", BatchCropTarget::ReplaceInPlace, {}, in + "a.jpg"},
        {"B.JPEG", BatchCropTarget::ReplaceInPlace, "/out", in + "B.JPEG"},
        {"d.e.TIFF", BatchCropTarget::ReplaceInPlace, {}, in + "d.e.jpg"}, // a TIFF gets a JPEG name
        {"a.jpg", BatchCropTarget::OtherFolder, "/out", out + "a.jpg"},
        {"c.tif", BatchCropTarget::OtherFolder, "/out/", out + "c.jpg"},
        {"a.jpg", BatchCropTarget::OtherFolder, {}, {}} // no folder: nothing can be written
    };
    for (const auto& [file, target, folder, expected] : cases)
        EXPECT_EQ(BatchCropTargetPath(Item(in + file), Options(target, folder)), expected) << file;
    const QString counts = QStringLiteral("Zapisane zdjęcia: 38, pominięte: 2, nieudane: 1.");
    EXPECT_EQ(BatchCropSummaryText({38, 2, 1, false, false, {}}), counts);
    EXPECT_EQ(BatchCropSummaryText({38, 2, 1, true, false, {}}), counts + " Przerwano.");
    EXPECT_EQ(BatchCropSummaryText({38, 2, 1, false, true, {}}), counts + " Przerwano.");
}

// In place, on copies: each written file holds exactly the plain path's pixels (format, alignment, upright
// turn of EXIF-rotated photos), keeps its EXIF with Orientation 1, and a TIFF gets name.jpg.
TEST(BatchCrop, InPlaceWritesThePlainPathsPixelsWithTheSourcesExif) {
    const std::tuple<const char*, int, CropAlignment, QSize> cases[] = {
        {"canon_sx60_II_thumb_3mp.jpg", 0, Top, {1536, 1020}}, // EXIF Orientation 6: turned upright
        {"canon_s40_II_thumb.jpg", 0, Centre, {480, 306}},     // JFIF and EXIF
        {"sony_xperia_MM_nothumb.jpg", 0, Bottom, {720, 408}}, // big-endian EXIF
        {"tiff_rgb8_lzw.tiff", 0, Top, {436, 204}},            // becomes name.jpg, the TIFF stays
        {"turned8.jpg", 8, Bottom, {200, 102}},  // made here: 300 × 200 stored, 200 × 300 upright
        {"mirrored3.jpg", 3, Centre, {600, 400}} // 1000 × 400: the width cut
    };
    const TempFolder dir, sources; // the photos to crop, the untouched originals
    QList<BatchCropItem> items;
    for (const auto& [file, orientation, alignment, size] : cases) {
        fixtures::ExifSpec exif;
        exif.orientation = orientation;
        const QByteArray bytes =
            orientation == 0
                ? fixtures::ReadFile(testsupport::corpusFile(file))
                : fixtures::JpegWithExif(
                      fixtures::Quadrants(orientation == 8 ? 300 : 1000, orientation == 8 ? 200 : 400), exif);
        items << Item(dir.write(file, bytes), {}, alignment);
        sources.write(file, bytes);
    }
    Recorder recorder(items, Options(BatchCropTarget::ReplaceInPlace, {}, 90));
    const BatchCropOutcome outcome = recorder.runToEnd();
    EXPECT_EQ(std::tuple(outcome.written, outcome.failed, outcome.skipped), std::tuple(6, 0, 0));
    EXPECT_TRUE(recorder.questions.empty());
    EXPECT_EQ(recorder.positions, (std::vector<int>{1, 2, 3, 4, 5, 6}));
    for (const auto& [file, orientation, alignment, size] : cases) {
        SCOPED_TRACE(file);
        const QString source = sources.path(file);
        const QString written =
            BatchCropTargetPath(Item(dir.path(file)), Options(BatchCropTarget::ReplaceInPlace));
        RasterLoad plain = LoadPhotoRaster(source); // the plain path: load, crop, save at the same quality
        ASSERT_TRUE(CropToFormat(plain.raster, 2, alignment) &&
                    SaveJpeg(plain.raster, dir.path("plain.jpg"), 90).ok());
        EXPECT_EQ(LoadPhoto(written).bitmap.size(), size);
        EXPECT_EQ(LoadPhoto(written).bitmap, LoadPhoto(dir.path("plain.jpg")).bitmap);
        const QString make = ExifItemText(source, EXIF_TAG_MAKE, EXIF_IFD_0);
        EXPECT_EQ(ExifItemText(written, EXIF_TAG_MAKE, EXIF_IFD_0), make);
        if (!make.isEmpty()) {
            EXPECT_EQ(ExifItemText(written, EXIF_TAG_ORIENTATION, EXIF_IFD_0) + " " +
                          ExifItemText(written, EXIF_TAG_PIXEL_X_DIMENSION, EXIF_IFD_EXIF),
                      "Top-left " + QString::number(size.width()));
        }
    }
    EXPECT_FALSE(ExifItemText(dir.path("canon_sx60_II_thumb_3mp.jpg"), EXIF_TAG_MAKE, EXIF_IFD_0).isEmpty());
    EXPECT_TRUE(QFileInfo::exists(dir.path("tiff_rgb8_lzw.tiff")));
}

// In place a photo replaces itself unasked, but a TIFF's name.jpg may be another photo: that is asked
// about; in another folder every existing file is asked about, without a question none is replaced, and
// a cancel ends the run at once.
TEST(BatchCrop, EveryExistingFileIsAskedAboutAndNoOrCancelKeepsIt) {
    const TempFolder dir;
    dir.write("x.tif", fixtures::ReadFile(testsupport::corpusFile("tiff_rgb8_none.tiff")));
    dir.write("x.jpg", "old");
    Recorder tiff({Item(dir.path("x.tif"))}, Options(BatchCropTarget::ReplaceInPlace));
    EXPECT_EQ(tiff.runToEnd().skipped, 1);
    EXPECT_EQ(tiff.questions, std::vector<QString>{QDir::toNativeSeparators(dir.path("x.jpg"))});
    EXPECT_EQ(fixtures::ReadFile(dir.path("x.jpg")), "old");
    Recorder unasked(Numbered(4, "canon_s40_II_thumb.jpg", &dir),
                     Options(BatchCropTarget::OtherFolder, dir.dir.path()), false);
    EXPECT_EQ(unasked.runToEnd().skipped, 4);

    Recorder asked(Numbered(10, "nintendo_3ds_MM_thumb_mpo.jpg", &dir),
                   Options(BatchCropTarget::OtherFolder, dir.dir.path()));
    asked.answers = {Answer::Yes, Answer::No, Answer::Yes, Answer::Cancel, Answer::Yes};
    const BatchCropOutcome outcome = asked.runToEnd();
    EXPECT_EQ(asked.positions, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(std::tuple(outcome.cancelled, outcome.stopped, outcome.written, outcome.skipped),
              std::tuple(true, false, 2, 1));
    ASSERT_EQ(asked.questions.size(), 4u);
    for (int i = 1; i <= 10; ++i)
        EXPECT_EQ(fixtures::ReadFile(dir.path(QStringLiteral("p%1.jpg").arg(i))) == "old", i != 1 && i != 3)
            << i;
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(asked.questions[i],
                  QDir::toNativeSeparators(dir.path(QStringLiteral("p%1.jpg").arg(i + 1))));
    EXPECT_EQ(filesIn(dir).size(), 12); // no temporary file left behind
}

// Photos that cannot be read or written are counted with their reason, whatever a photo's work throws is
// that photo's failure, one too small for the format is skipped, and the run goes on to the next.
TEST(BatchCrop, FailuresExceptionsAndTooSmallPhotosAreCountedAndTheRunGoesOn) {
    const TempFolder dir;
    ASSERT_TRUE(QDir(dir.dir.path()).mkdir("blocked.jpg")); // a folder where the file would go
    const QString photo = testsupport::corpusFile("canon_s40_II_thumb.jpg");
    Recorder recorder({Item(testsupport::corpusFile("damaged_truncated_half_casio_exm2.jpg")), Item(photo),
                       Item(testsupport::corpusFile("tiff_rgb16_must_refuse.tiff")),
                       Item(dir.path("missing.jpg")), Item(photo, "blocked.jpg"),
                       Item(testsupport::corpusFile("grey_noexif.jpg")), Item(photo, "throws.jpg"),
                       Item(photo, "throws42.jpg"),
                       Item(testsupport::corpusFile("nintendo_3ds_MM_thumb_mpo.jpg"))},
                      Options(BatchCropTarget::OtherFolder, dir.dir.path()));
    recorder.answers = {Answer::Yes};
    recorder.work([](const BatchCropItem& item, const BatchCropOptions& options) {
        if (item.fileName == "throws.jpg")
            throw std::runtime_error("zepsute");
        if (item.fileName == "throws42.jpg")
            throw 42;
        return encoded(item, options);
    });
    const BatchCropOutcome outcome = recorder.runToEnd();
    EXPECT_EQ(std::tuple(outcome.written, outcome.failed, outcome.skipped),
              std::tuple(2, 6, 1)); // 128 pixels: too narrow
    EXPECT_EQ(
        outcome.failures,
        (QStringList{
            "damaged_truncated_half_casio_exm2.jpg: File not readable: " + ImageErrorText(ImageErrorCorrupt),
            "tiff_rgb16_must_refuse.tiff: Only 1, 4, 8, 24 or 32 BitsPerPixel are supported in this demo !",
            "missing.jpg: File not readable: " + ImageErrorText(ImageErrorOpen),
            "blocked.jpg: Błąd podczas zapisu pliku: " + ImageErrorText(ImageErrorWrite),
            "throws.jpg: " + detail::kUnexpectedFailure + " (zepsute)",
            "throws42.jpg: " + detail::kUnexpectedFailure}));
    EXPECT_EQ(filesIn(dir), (QStringList{"canon_s40_II_thumb.jpg", "nintendo_3ds_MM_thumb_mpo.jpg"}));
}

TEST(BatchCrop, StopBetweenPhotosOrBeforeTheStartWritesNothingFurther) {
    const TempFolder dir;
    Recorder recorder(Numbered(6, "canon_s40_II_thumb.jpg"),
                      Options(BatchCropTarget::OtherFolder, dir.dir.path()));
    recorder.onProgress = [&](int position) {
        if (position == 3)
            recorder.run->stop();
    };
    const BatchCropOutcome outcome = recorder.runToEnd();
    EXPECT_EQ(std::pair(outcome.stopped, outcome.written), std::pair(true, 2));
    EXPECT_EQ(recorder.positions, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(filesIn(dir), (QStringList{"p1.jpg", "p2.jpg"}));
    Recorder early(Numbered(1, "canon_s40_II_thumb.jpg"),
                   Options(BatchCropTarget::OtherFolder, dir.dir.path()));
    early.run->stop();
    EXPECT_TRUE(early.runToEnd().stopped);
    Recorder empty({}, Options(BatchCropTarget::ReplaceInPlace));
    EXPECT_EQ(empty.runToEnd().written, 0);
    EXPECT_TRUE(early.positions.empty() && empty.positions.empty());
    EXPECT_EQ(filesIn(dir).size(), 2);
}

// The work runs on pool threads, two photos at once and at most one ahead of the photo being handled,
// even while a question waits for its answer.
TEST(BatchCrop, WorkRunsOnThePoolTwoPhotosAtMost) {
    const TempFolder dir;
    Recorder recorder(Numbered(6, "canon_s40_II_thumb.jpg", &dir),
                      Options(BatchCropTarget::OtherFolder, dir.dir.path()));
    recorder.answers = std::vector<Answer>(6, Answer::Yes);
    std::atomic<int> entered{0}, running{0}, peak{0};
    testsupport::ThreadRecorder workThreads;
    std::vector<int> enteredAtQuestion;
    recorder.onQuestion = [&] {
        // Whatever was started has entered by now (bounded: asked on a pool thread, it would wait for
        // itself).
        QThreadPool::globalInstance()->waitForDone(5000);
        enteredAtQuestion.push_back(entered);
    };
    const bool two = QThreadPool::globalInstance()->maxThreadCount() >= 2;
    recorder.work([&](const BatchCropItem& item, const BatchCropOptions& options) {
        workThreads.note();
        peak = std::max(peak.load(), ++running);
        const int order = ++entered;
        const QDeadlineTimer deadline(5000); // the second photo's work starts beside the first's
        while (order == 1 && two && entered < 2 && !deadline.hasExpired())
            QThread::yieldCurrentThread();
        auto product = encoded(item, options);
        --running;
        return product;
    });
    EXPECT_EQ(recorder.runToEnd().written, 6);
    EXPECT_TRUE(workThreads.noneOnUi());
    ASSERT_EQ(enteredAtQuestion.size(), 6u);
    for (int p = 1; p <= 6; ++p)
        EXPECT_LE(enteredAtQuestion[std::size_t(p - 1)], p + 1) << p;
    EXPECT_EQ(peak, two ? 2 : 1);
}

// Destroyed by its owner while photo 1 is announced and not yet written: the run waits for its work, and
// nothing is written or told afterwards (proven by a marker queued behind anything late).
TEST(BatchCrop, DestroyedMidRunItWritesAndTellsNothingMore) {
    const TempFolder dir;
    Recorder recorder(Numbered(4, "canon_sd300_II_thumb_2mp.jpg"),
                      Options(BatchCropTarget::OtherFolder, dir.dir.path()));
    recorder.onProgress = [&](int) { recorder.run.reset(); };
    recorder.run->start();
    ASSERT_TRUE(testsupport::waitUntil([&] { return !recorder.run; }));
    QThreadPool::globalInstance()->waitForDone(10000);
    const QObject marker;
    ASSERT_TRUE(testsupport::deliverQueued(&marker));
    EXPECT_EQ(recorder.positions, std::vector<int>{1});
    EXPECT_EQ(recorder.finishedCount, 0);
    EXPECT_TRUE(filesIn(dir).isEmpty());
}

// An owner going away mid-run does not wait for the photos in flight: the run leaves it, drops them as
// they come back, writes nothing more and deletes itself.
TEST(BatchCrop, LeftToItselfItNeverMakesItsOwnerWait) {
    const TempFolder dir;
    auto owner = std::make_unique<QObject>();
    auto* run = new BatchCropRun(Numbered(4, "canon_s40_II_thumb.jpg"),
                                 Options(BatchCropTarget::OtherFolder, dir.dir.path()), {}, owner.get());
    const QPointer<BatchCropRun> alive(run);
    QSemaphore entered, release;
    std::atomic<bool> waitedOut{false};
    BatchCropRunProbe::setWorker(*run, [&](const BatchCropItem& item, const BatchCropOptions& options,
                                           const std::atomic<bool>& cancelled) {
        entered.release();
        // Should the owner wait after all, the work is let go after a while: the test fails, not hangs.
        waitedOut = waitedOut || !release.tryAcquire(1, 3000);
        return detail::CropAndEncode(item, options, cancelled);
    });
    bool finished = false;
    QObject::connect(run, &BatchCropRun::finished, [&] { finished = true; });
    run->start();
    ASSERT_TRUE(testsupport::waitUntil([&] { return entered.tryAcquire(); }, 10000));
    run->DeleteWhenDone();
    owner.reset(); // would wait for the photo in flight if the run were still its child
    EXPECT_TRUE(alive);
    release.release(4);
    ASSERT_TRUE(testsupport::waitUntil([&] { return alive.isNull(); }, 10000));
    EXPECT_FALSE(waitedOut);
    EXPECT_TRUE(finished);
    EXPECT_TRUE(filesIn(dir).isEmpty());
}

} // namespace
