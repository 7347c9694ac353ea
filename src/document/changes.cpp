#include "document/changes.h"

#include "imaging/colour.h"
#include "imaging/filters.h"
#include "imaging/redeye.h"
#include "imaging/rotate.h"

namespace changes {

namespace {

using Change = PhotoDocument::Change;

Change change(const char* name, std::function<void(QImage&)> apply,
              std::function<void(QImage&)> inverse = {}) {
    Change c;
    c.name = QString::fromUtf8(name);
    c.apply = std::move(apply);
    c.inverse = std::move(inverse);
    return c;
}

// A change that hands the rows of its result on as it finishes them.
Change handingOn(const char* name, std::function<void(QImage&, const imaging::FinishedRows&)> apply,
                 std::function<void(QImage&)> inverse = {}) {
    Change c = change(
        name, [apply](QImage& b) { apply(b, {}); }, std::move(inverse));
    c.applyHandingOn = std::move(apply);
    return c;
}

Change turn(const char* name, imaging::QuarterTurn direction, void (*inverse)(QImage&)) {
    return handingOn(
        name, [direction](QImage& b, const imaging::FinishedRows& f) { imaging::Rotate(b, direction, f); },
        inverse);
}

Change filter(const char* name, const char* kernel) {
    return handingOn(name, [kernel](QImage& b, const imaging::FinishedRows& f) {
        imaging::ApplyNamedFilter(b, QString::fromLatin1(kernel), f);
    });
}

// A colour change: every pixel on its own, so it may run band by band.
Change rowwise(const char* name, std::function<void(QImage&)> apply) {
    Change c = change(name, std::move(apply));
    c.rowwise = true;
    return c;
}

} // namespace

Change TurnLeft() {
    return turn("Obrót w lewo", imaging::QuarterTurn::Left, imaging::RotateRight);
}

Change TurnRight() {
    return turn("Obrót w prawo", imaging::QuarterTurn::Right, imaging::RotateLeft);
}

Change BlackAndWhite() {
    return rowwise("Czarno-biały", imaging::ToGreyscale);
}

Change Sepia() {
    return rowwise("Sepia", imaging::ToSepia);
}

Change Blur() {
    return filter("Rozmycie", "BLURMORE");
}

Change Sharpen() {
    return filter("Wyostrzenie", "SHARPEN");
}

Change Crop(QRect kept) {
    // A bitmap that has changed size meanwhile keeps what lies inside it (undo then keeps the whole
    // bitmap before, not just the margins).
    Change c = change("Kadrowanie", [kept](QImage& b) {
        const QRect inside = kept.intersected(b.rect());
        if (!inside.isEmpty())
            b = b.copy(inside);
    });
    c.crop = kept; // undo keeps the cut margins only
    return c;
}

Change RedEye(QRect region) {
    Change c = change("Czerwone oczy", [region](QImage& b) { imaging::RemoveRedEyeInRegion(b, region); });
    c.applyIfFound = [region](QImage& b) { return imaging::RemoveRedEyeInRegion(b, region); };
    // Clamped to the photo when it runs. Not in place: the photo is copied only when a pupil is found
    // and written to, not before every look.
    c.patch = region;
    return c;
}

} // namespace changes
