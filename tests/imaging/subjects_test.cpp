// Face and detail detection on a labelled set made here from the corpus's portraits (each placed at the
// top, middle or bottom of a larger plain or textured 4:3 or 3:4 canvas, so the face's rectangle is
// known) and on corpus photos without people.
#include "imagefixtures.h"
#include "testsupport.h"

#include "imaging/imagefile.h"
#include "imaging/subjects.h"

#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

using namespace imaging;

namespace {

struct Portrait {
    const char* file;
    QRect face; // marked by hand on the corpus file: eyebrows to chin
    int scale;  // placed this many times enlarged, so that the face is 80 pixels or more across
};

// The two corpus photos that show a person's face.
const Portrait kPortraits[] = {
    {"grey_noexif.jpg", QRect(37, 36, 50, 48), 2},
    {"konica_minolta_z3_MM_thumb_jfif.jpg", QRect(23, 11, 21, 26), 4},
};

// Landscapes, animals, plants, buildings and things.
const char* const kWithoutPeople[] = {
    "nikon_d1x_photoshop_MM_thumb_app13.jpg",
    "pentax_k10d_II_thumb_jfif.jpg",
    "canon_40d_II_thumb_jfif.jpg",
    "noexif_progressive.jpg",
    "nintendo_3ds_MM_thumb_mpo.jpg",
    "reconyx_hc500_II_nothumb.jpg",
    "ricoh_rr330_II_thumb_compression1.jpg",
    "nikon_d300_MM_thumb_progressive.jpg",
    "canon_sd300_II_thumb_2mp.jpg",
    "noexif_jfif_baseline.jpg",
    "canon_s40_II_thumb.jpg",
    "casio_exm2_MM_thumb_2mp.jpg",
    "nikon_d70s_II_thumb_zero_length.jpg",
    "canon_sx60_II_thumb_3mp.jpg",
    "jolla_II_nothumb_8mp.jpg",
};

struct Made {
    QImage photo;
    QRect face;
    QString name;
};

QImage Background(QSize size, bool textured, unsigned seed) {
    if (!textured)
        return fixtures::Filled(size.width(), size.height(), qRgb(190, 190, 190));
    // Blotches of every shade, a few pixels across, like foliage or a crowd out of focus.
    return fixtures::RandomImage(size.width() / 8, size.height() / 8, seed, 0xFF000000U)
        .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// Every portrait in a 640 × 480 and a 480 × 640 canvas, plain and textured, at the top, middle and bottom.
std::vector<Made> LabelledSet() {
    std::vector<Made> set;
    unsigned seed = 1;
    for (const Portrait& p : kPortraits) {
        const PhotoLoad load = LoadPhoto(testsupport::corpusFile(QString::fromLatin1(p.file)));
        EXPECT_TRUE(load.ok()) << p.file;
        const QImage big =
            load.bitmap.scaled(load.bitmap.size() * p.scale, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        for (const QSize canvas : {QSize(640, 480), QSize(480, 640)})
            for (const bool textured : {false, true})
                for (const int where : {0, 1, 2}) {
                    QImage photo = Background(canvas, textured, seed++);
                    const int x = (canvas.width() - big.width()) / 2;
                    const int y = where * (canvas.height() - big.height()) / 2;
                    QPainter(&photo).drawImage(x, y, big);
                    const QRect face(x + p.face.x() * p.scale, y + p.face.y() * p.scale,
                                     p.face.width() * p.scale, p.face.height() * p.scale);
                    set.push_back({photo, face,
                                   QStringLiteral("%1 %2x%3 %4 %5")
                                       .arg(QLatin1String(p.file))
                                       .arg(canvas.width())
                                       .arg(canvas.height())
                                       .arg(textured ? "textured" : "plain")
                                       .arg(QStringList{"top", "middle", "bottom"}.at(where))});
                }
    }
    return set;
}

bool Overlaps(const QRect& found, const QRect& truth) {
    const QRect both = found.intersected(truth);
    const long double shared = static_cast<long double>(both.width()) * both.height();
    const QRect either = found.united(truth);
    return shared / (static_cast<long double>(either.width()) * either.height()) >= 0.3L;
}

bool Keeps(QSize size, int format, CropAlignment alignment, const QRect& face) {
    const std::optional<RowBand> band = HeightCutBand(size.width(), size.height(), format, alignment);
    const int top = band ? band->top : 0;
    const int height = band ? band->height : size.height();
    return face.top() >= top && face.top() + face.height() <= top + height;
}

} // namespace

TEST(Subjects, FindsThePlacedFacesAndItsBandKeepsThemWhole) {
    int found = 0;
    int keepable = 0;
    int keptByAutomatic = 0;
    int keptByMiddle = 0;
    const std::vector<Made> set = LabelledSet();
    ASSERT_EQ(set.size(), 24U);
    for (const Made& m : set) {
        const PhotoSubjects subjects = FindSubjects(SearchCopy(m.photo), m.photo.size());
        bool hit = false;
        for (const QRect& f : subjects.faces)
            hit = hit || Overlaps(f, m.face);
        EXPECT_TRUE(hit) << qPrintable(m.name);
        EXPECT_LE(subjects.faces.size(), 1U) << qPrintable(m.name);
        found += hit ? 1 : 0;
        for (int format = 1; format <= PrintFormatCount; ++format) {
            const bool possible = Keeps(m.photo.size(), format, CropAlignment::Top, m.face) ||
                                  Keeps(m.photo.size(), format, CropAlignment::Centre, m.face) ||
                                  Keeps(m.photo.size(), format, CropAlignment::Bottom, m.face);
            if (!possible)
                continue;
            ++keepable;
            const bool automatic = Keeps(m.photo.size(), format, ChooseAlignment(subjects, format), m.face);
            EXPECT_TRUE(automatic) << qPrintable(m.name) << " format " << format;
            keptByAutomatic += automatic ? 1 : 0;
            keptByMiddle += Keeps(m.photo.size(), format, CropAlignment::Centre, m.face) ? 1 : 0;
        }
    }
    std::printf("faces found %d of %zu; of %d cuts (every photo at each of the seven formats) where a band "
                "can keep the face whole, the automatic band keeps %d, the middle band %d\n",
                found, set.size(), keepable, keptByAutomatic, keptByMiddle);
    // The set has to tell the two apart.
    EXPECT_LT(keptByMiddle, keepable);
}

TEST(Subjects, PhotosWithoutPeople) {
    int falseFaces = 0;
    int searched = 0;
    for (const char* file : kWithoutPeople) {
        const PhotoSubjects s = FindSubjectsInFile(testsupport::corpusFile(QString::fromLatin1(file)));
        EXPECT_FALSE(s.searched.isEmpty()) << file;
        EXPECT_LE(static_cast<long long>(s.searched.width()) * s.searched.height(), kSearchPixels) << file;
        EXPECT_EQ(s.detail.size(), static_cast<std::size_t>(s.searched.height())) << file;
        searched += s.searched.isEmpty() ? 0 : 1;
        falseFaces += static_cast<int>(s.faces.size());
        if (!s.faces.empty())
            std::printf("false face in %s\n", file);
    }
    std::printf("photos without people: %d searched, %d false faces\n", searched, falseFaces);
}

// A photo file is looked at on a reduced copy; the faces come back in the photo's own pixels.
TEST(Subjects, ReducedCopyOfAFileAndFacesInThePhotosPixels) {
    const Portrait& p = kPortraits[0];
    const QImage portrait = LoadPhoto(testsupport::corpusFile(QString::fromLatin1(p.file))).bitmap;
    QImage photo = Background(QSize(1600, 2000), false, 0);
    const int scale = 8; // a 400-pixel face
    QPainter(&photo).drawImage(QRect(300, 0, portrait.width() * scale, portrait.height() * scale), portrait);
    const QRect face(300 + p.face.x() * scale, p.face.y() * scale, p.face.width() * scale,
                     p.face.height() * scale);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("portret.jpg"));
    ASSERT_TRUE(testsupport::WriteFile(path, fixtures::JpegBytes(photo, 90)));

    const PhotoSubjects s = FindSubjectsInFile(path);
    EXPECT_EQ(s.size, QSize(1600, 2000));
    EXPECT_EQ(s.searched, QSize(800, 1000)); // the DCT scale of one half: twice the 500-pixel box
    ASSERT_EQ(s.faces.size(), 1U);
    EXPECT_TRUE(Overlaps(s.faces[0], face));
    EXPECT_EQ(ChooseAlignment(s, 2), CropAlignment::Top);

    // A file that cannot be read: nothing found, the default band.
    const PhotoSubjects none = FindSubjectsInFile(dir.filePath(QStringLiteral("brak.jpg")));
    EXPECT_TRUE(none.searched.isEmpty());
    EXPECT_EQ(ChooseAlignment(none, 2), CropAlignment::Centre);
}

// Without faces the band follows the detail: the horizon of a landscape under an empty sky, the top of
// a building over a plain forecourt; an even picture stays in the middle.
TEST(Subjects, WithoutFacesTheBandFollowsTheDetail) {
    const QSize size(480, 640);
    const auto drawn = [&](int busyTop, int busyBottom) {
        QImage photo = fixtures::Filled(size.width(), size.height(), qRgb(120, 160, 220));
        QPainter painter(&photo);
        for (int y = busyTop; y < busyBottom; y += 6)
            painter.fillRect(0, y, size.width(), 3, QColor(40, 90, 30));
        painter.end();
        return FindSubjects(SearchCopy(photo), size);
    };
    const PhotoSubjects landscape = drawn(400, 640);
    EXPECT_TRUE(landscape.faces.empty());
    EXPECT_EQ(ChooseAlignment(landscape, 2), CropAlignment::Bottom);
    EXPECT_EQ(ChooseAlignment(drawn(10, 300), 2), CropAlignment::Top);
    EXPECT_EQ(ChooseAlignment(drawn(0, 640), 2), CropAlignment::Centre);
    EXPECT_EQ(ChooseAlignment(drawn(0, 0), 2), CropAlignment::Centre);
}
