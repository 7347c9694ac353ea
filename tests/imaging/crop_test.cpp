// Cropping to the print formats: the formats, the crop geometry, the automatic choice of the band a height
// cut keeps (faces and detail found in the photo), and the batch run that crops whole lists of photos.
#include "imagefixtures.h"

#include "imaging/bandchoice.h"
#include "imaging/batchcrop.h"
#include "imaging/batchcropwork.h"
#include "imaging/imagefile.h"
#include "imaging/photometadata.h"
#include "imaging/subjects.h"

#include <libexif/exif-ifd.h>
#include <libexif/exif-tag.h>

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
    const auto bgr = [](const Raster& r, int y, int x) { // "B G R " of one pixel
        std::string text;
        for (int c = 0; c < 3; ++c)
            text += std::to_string(r.row(y)[3 * x + c]) + " ";
        return text;
    };
    Raster indexed = Raster::allocate(254, 300, 8);
    indexed.palette = {qRgb(10, 20, 30), qRgb(200, 100, 50)};
    indexed.row(100)[7] = 1;
    indexed.row(101)[7] = 77;                   // no palette entry: black
    ASSERT_TRUE(CropToFormat(indexed, 2, Top)); // 254 div 152 = 1: 102 rows
    ASSERT_EQ(std::tuple(indexed.bitsPerPixel, indexed.height), std::tuple(24, 102));
    EXPECT_EQ(bgr(indexed, 0, 0) + bgr(indexed, 100, 7) + bgr(indexed, 101, 7), "30 20 10 50 100 200 0 0 0 ");
    Raster mono = Raster::allocate(254, 300, 1);
    mono.palette = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    mono.row(150)[0] = 0x40;                    // pixel 1 of row 150
    ASSERT_TRUE(CropToFormat(mono, 2, Centre)); // rows 99..200
    EXPECT_EQ(bgr(mono, 150 - 99, 1) + bgr(mono, 150 - 99, 0), "255 255 255 0 0 0 ");
    Raster nibbles = Raster::allocate(254, 300, 4);
    nibbles.palette.assign(16, qRgb(0, 0, 0));
    nibbles.palette[5] = qRgb(1, 2, 3);
    nibbles.row(299)[1] = 0x05; // pixel 3 of the last row
    ASSERT_TRUE(CropToFormat(nibbles, 2, Bottom));
    EXPECT_EQ(bgr(nibbles, 101, 3), "3 2 1 ");
    Raster withAlpha = Raster::allocate(2000, 1000, 32);
    withAlpha.row(0)[278 * 4 + 2] = 99;
    ASSERT_TRUE(CropToFormat(withAlpha, 1, Centre));
    EXPECT_EQ(std::pair(withAlpha.bitsPerPixel, bgr(withAlpha, 0, 0)), std::pair(24, std::string("0 0 99 ")));
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

using Answer = BatchCropRun::Overwrite;

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
    return {2, quality, target, folder};
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
    std::unique_ptr<BatchCropRun> run;

    Recorder(QList<BatchCropItem> items, BatchCropOptions options, bool withQuestion = true) {
        const auto count = static_cast<int>(items.size());
        BatchCropRun::OverwriteQuestion question = [this](const QString& target) {
            threads.note();
            questions.push_back(target);
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
        const QImage got = LoadPhoto(written).bitmap;
        EXPECT_EQ(std::pair(got.size(), got), std::pair(size, LoadPhoto(dir.path("plain.jpg")).bitmap));
        const QString make = ExifItemText(source, EXIF_TAG_MAKE, EXIF_IFD_0);
        EXPECT_EQ(ExifItemText(written, EXIF_TAG_MAKE, EXIF_IFD_0), make);
        EXPECT_TRUE(make.isEmpty() ||
                    ExifItemText(written, EXIF_TAG_ORIENTATION, EXIF_IFD_0) + " " +
                            ExifItemText(written, EXIF_TAG_PIXEL_X_DIMENSION, EXIF_IFD_EXIF) ==
                        "Top-left " + QString::number(size.width()));
    }
    EXPECT_FALSE(ExifItemText(dir.path("canon_sx60_II_thumb_3mp.jpg"), EXIF_TAG_MAKE, EXIF_IFD_0).isEmpty());
    EXPECT_TRUE(QFileInfo::exists(dir.path("tiff_rgb8_lzw.tiff")));
}

// In place a photo replaces itself unasked, but a TIFF's name.jpg may be another photo: that is asked
// about; without a question no existing file is replaced.
TEST(BatchCrop, ATiffsNewNameIsAskedAboutAndWithoutAQuestionNothingIsReplaced) {
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
    EXPECT_EQ(filesIn(dir).size(), 6); // nothing replaced, no temporary file left behind
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
    testsupport::ThreadRecorder workThreads;
    BatchCropRunProbe::setWorker(*recorder.run,
                                 [&workThreads](const BatchCropItem& item, const BatchCropOptions& options,
                                                const std::atomic<bool>& cancelled) {
                                     workThreads.note();
                                     if (item.fileName == "throws.jpg")
                                         throw std::runtime_error("zepsute");
                                     if (item.fileName == "throws42.jpg")
                                         throw 42;
                                     return detail::CropAndEncode(item, options, cancelled);
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
    EXPECT_TRUE(workThreads.noneOnUi()); // the work runs on the pool
    EXPECT_EQ(BatchCropSummaryText(outcome),
              QStringLiteral("Zapisane zdjęcia: 2, pominięte: 1, nieudane: 6."));
    EXPECT_EQ(BatchCropSummaryText({1, 0, 0, true, false, {}}),
              QStringLiteral("Zapisane zdjęcia: 1, pominięte: 0, nieudane: 0. Przerwano."));
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
    EXPECT_TRUE(early.runToEnd().stopped && early.positions.empty());
    EXPECT_EQ(filesIn(dir).size(), 2);
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

} // namespace
