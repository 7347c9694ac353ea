#include "imaging/bandchoice.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>

namespace imaging {

namespace {

// Detectors frame a face from the eyebrows down; the head reaches this part of the face's height above.
constexpr long double kHeadAboveFace = 0.35L;
// Without faces a band other than the centre wins only when it drops at most this part of the detail
// the centre band drops: a photo with its detail spread evenly is cut as by default.
constexpr long double kClearlyLessDropped = 0.75L;

// The centre first, so that a tie keeps it; the top before the bottom.
constexpr std::array<CropAlignment, 3> kInTieOrder{CropAlignment::Centre, CropAlignment::Top,
                                                   CropAlignment::Bottom};

bool wholeIn(const QRect& r, const RowBand& band) {
    return r.top() >= band.top && r.top() + r.height() <= band.top + band.height;
}

long long rowsIn(const QRect& r, const RowBand& band) {
    const int top = std::max(r.top(), band.top);
    const int bottom = std::min(r.top() + r.height(), band.top + band.height);
    return std::max(0, bottom - top);
}

// How well a band keeps the faces: whole heads, then whole faces, then the area of the heads inside.
using FaceScore = std::tuple<int, int, long long>;

FaceScore scoreFaces(const PhotoSubjects& subjects, const RowBand& band) {
    FaceScore score{0, 0, 0};
    for (const QRect& face : subjects.faces) {
        const QRect head = HeadOfFace(face, subjects.size);
        std::get<0>(score) += wholeIn(head, band) ? 1 : 0;
        std::get<1>(score) += wholeIn(face, band) ? 1 : 0;
        std::get<2>(score) += rowsIn(head, band) * head.width();
    }
    return score;
}

// The detail of rows [0, row) of the photo, the strips split in proportion where a row falls inside one.
long double detailAbove(const std::vector<long long>& detail, int photoHeight, int row) {
    const long double at =
        static_cast<long double>(row) * static_cast<long double>(detail.size()) / photoHeight;
    const auto whole = static_cast<std::size_t>(std::floor(at));
    long double sum = 0;
    for (std::size_t i = 0; i < whole && i < detail.size(); ++i)
        sum += detail[i];
    if (whole < detail.size())
        sum += (at - static_cast<long double>(whole)) * detail[whole];
    return sum;
}

// The detail a band cuts away, above and below it.
long double detailDropped(const PhotoSubjects& subjects, const RowBand& band) {
    const int h = subjects.size.height();
    const long double all = detailAbove(subjects.detail, h, h);
    const long double kept =
        detailAbove(subjects.detail, h, band.top + band.height) - detailAbove(subjects.detail, h, band.top);
    return all - kept;
}

} // namespace

QRect HeadOfFace(const QRect& face, QSize photo) {
    const int above = static_cast<int>(std::nearbyint(kHeadAboveFace * face.height()));
    return face.adjusted(0, -above, 0, 0).intersected(QRect(QPoint(0, 0), photo));
}

CropAlignment ChooseAlignment(const PhotoSubjects& subjects, int formatCode) {
    const QSize size = subjects.size;
    if (!HeightCutBand(size.width(), size.height(), formatCode, CropAlignment::Centre))
        return CropAlignment::Centre;
    const auto band = [&](CropAlignment a) {
        return *HeightCutBand(size.width(), size.height(), formatCode, a);
    };
    CropAlignment best = CropAlignment::Centre;
    if (!subjects.faces.empty()) {
        FaceScore bestScore = scoreFaces(subjects, band(best));
        for (const CropAlignment a : kInTieOrder) {
            const FaceScore score = scoreFaces(subjects, band(a));
            if (score > bestScore) {
                bestScore = score;
                best = a;
            }
        }
        return best;
    }
    if (subjects.detail.empty())
        return best;
    const long double centreDropped = detailDropped(subjects, band(CropAlignment::Centre));
    long double leastDropped = centreDropped * kClearlyLessDropped;
    for (const CropAlignment a : kInTieOrder) {
        const long double dropped = detailDropped(subjects, band(a));
        if (a != CropAlignment::Centre && dropped < leastDropped) {
            leastDropped = dropped;
            best = a;
        }
    }
    return best;
}

} // namespace imaging
