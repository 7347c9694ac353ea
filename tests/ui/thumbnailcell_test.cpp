#include "testsupport.h"
#include "ui/browser/thumbnailcell.h"
#include "uitestsupport.h"

#include <gtest/gtest.h>

namespace {

using uitest::plain;

// The photo lands in its placement, or the red cross in its place, on plain and scaled screens alike,
// in the screen's own pixels.
TEST(ThumbnailCell, PhotoLandsInItsPlacementInTheScreensOwnPixels) {
    for (const qreal ratio : {1.0, 1.5, 2.0}) {
        QImage blank = plain(QSize(116, 116) * ratio, QColor(250, 250, 250));
        blank.setDevicePixelRatio(ratio);
        QImage placeholder = plain(QSize(116, 116) * ratio, QColor(200, 200, 200));
        placeholder.setDevicePixelRatio(ratio);
        const QImage cell = ui::composeCell(plain(QSize(960, 300), Qt::blue), blank, placeholder);
        ASSERT_EQ(cell.size(), QSize(116, 116) * ratio);
        EXPECT_EQ(cell.devicePixelRatio(), ratio);
        // The placement (10, 35)-(106, 65) in device pixels.
        const auto at = [&](int x, int y) { return cell.pixelColor(qRound(x * ratio), qRound(y * ratio)); };
        EXPECT_EQ(at(11, 36), QColor(Qt::blue)) << ratio;
        EXPECT_EQ(at(105, 64), QColor(Qt::blue)) << ratio;
        EXPECT_EQ(at(50, 33), QColor(250, 250, 250)) << ratio;
        EXPECT_EQ(at(50, 67), QColor(250, 250, 250)) << ratio;
        // No photo: the red cross, scaled too, its lines meeting at (58, 51) on the placeholder.
        const QImage failed = ui::composeCell(QImage(), blank, placeholder);
        EXPECT_EQ(failed.size(), QSize(116, 116) * ratio);
        const auto failedAt = [&](int x, int y) {
            return failed.pixelColor(qRound(x * ratio), qRound(y * ratio));
        };
        for (const QPoint p : {QPoint(58, 51), QPoint(28, 21), QPoint(88, 81)})
            EXPECT_EQ(failedAt(p.x(), p.y()), QColor(255, 0, 0)) << ratio << " at " << p.x() << "," << p.y();
        for (const QPoint p : {QPoint(58, 30), QPoint(5, 5)})
            EXPECT_EQ(failedAt(p.x(), p.y()), QColor(200, 200, 200))
                << ratio << " at " << p.x() << "," << p.y();
    }
}

TEST(ThumbnailCell, CorruptAndMissingFilesGiveNoPicture) {
    for (const char* name : {"damaged_truncated_half_rgb8_lzw.tiff", "no_such_file.jpg"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(ui::decodeThumbnail(testsupport::corpusFile(QString::fromLatin1(name))).isNull());
    }
}

TEST(ThumbnailCell, CameraPhotoUsesItsPreviewAndPhotosWithoutOneStillGetAPicture) {
    // The camera's 160 × 120 EXIF preview rather than a reduction of the 480 × 360 photo.
    const QImage preview =
        ui::decodeThumbnail(testsupport::corpusFile(QStringLiteral("canon_s40_II_thumb.jpg")));
    EXPECT_EQ(preview.size(), QSize(160, 120));
    const QImage reduced =
        ui::decodeThumbnail(testsupport::corpusFile(QStringLiteral("jolla_II_nothumb_8mp.jpg")));
    ASSERT_FALSE(reduced.isNull());
    EXPECT_LE(reduced.width(), 96);
    EXPECT_LE(reduced.height(), 83);
}

} // namespace
