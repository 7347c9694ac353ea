#include "imaging/printformats.h"

namespace imaging {

namespace {

constexpr std::array<PrintFormat, PrintFormatCount> kFormats{{
    {1, "9x13", 127, 89, 13, 9, "Wielkość zdjęcia 89x127mm", " format 9x13 (89x127mm)"},
    {2, "10x15", 152, 102, 15, 10, "Wielkość zdjęcia 102x152mm", " format 10x15 (102x152mm)"},
    {3, "13x18", 177, 127, 18, 13, "Wielkość zdjęcia 127x177mm", " format 13x18 (127x177mm)"},
    {4, "15x21", 203, 152, 21, 15, "Wielkość zdjęcia 152x203mm", " format 15x21 (152x203mm)"},
    {5, "20x30", 305, 203, 3, 2, "Wielkość zdjęcia 203x305mm", " format 20x30 (203x305mm)"},
    {6, "30x45", 457, 305, 3, 2, "Wielkość zdjęcia 305x457mm", " format 30x45 (305x457mm)"},
    {7, "10x13", 127, 96, 13, 10, "Wielkość zdjęcia 96x127mm", " format 10x13 (96x127mm)"},
}};

constexpr std::array<int, PrintFormatCount> kScreenOrder{1, 7, 2, 3, 4, 5, 6};

} // namespace

const std::array<PrintFormat, PrintFormatCount>& PrintFormats() {
    return kFormats;
}

const PrintFormat* PrintFormatByCode(int code) {
    if (code < 1 || code > PrintFormatCount)
        return nullptr;
    return &kFormats[static_cast<std::size_t>(code - 1)];
}

const std::array<int, PrintFormatCount>& PrintFormatScreenOrder() {
    return kScreenOrder;
}

QString FreeFormatName() {
    return QStringLiteral("dowolna");
}

QString CropAlignmentName(CropAlignment alignment) {
    switch (alignment) {
    case CropAlignment::Top:
        return QStringLiteral("góra");
    case CropAlignment::Centre:
        return QStringLiteral("środek");
    case CropAlignment::Bottom:
        return QStringLiteral("dół");
    }
    return {};
}

CropFrame FitCropFrame(const CropFrame& frame, const PrintFormat&, int, int) {
    return frame;
}

bool CropToFormat(Raster&, int, CropAlignment) {
    return false;
}

} // namespace imaging
