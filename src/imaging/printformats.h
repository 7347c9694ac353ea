#pragma once

// The service's seven print formats and the crop geometry built on them: fitting the viewer's crop
// frame to a format and cutting a whole raster to a format in one step (batch cropping).
//
// Every crop made here is landscape: the format's long side lies along the image's width. Pure
// functions over constant data: callable from any thread.
#include "imaging/raster.h"

#include <QString>

#include <array>
#include <optional>

namespace imaging {

struct PrintFormat {
    int code;               // 1..7, the number the batch wizard stores
    const char* name;       // "9x13": caption of the format's radio button (UTF-8)
    int longSideMm;         // a: exact ratio a / b for the crop frame and the height cut
    int shortSideMm;        // b
    int ratioLong;          // p: nominal ratio p / q, used by the width cut only
    int ratioShort;         // q
    const char* hint;       // "Wielkość zdjęcia 89x127mm" (UTF-8)
    const char* wizardText; // " format 9x13 (89x127mm)" (UTF-8)

    QString nameText() const { return QString::fromUtf8(name); }
    QString hintText() const { return QString::fromUtf8(hint); }
    QString wizardCaption() const { return QString::fromUtf8(wizardText); }
};

inline constexpr int PrintFormatCount = 7;

// The formats in code order (index = code − 1).
const std::array<PrintFormat, PrintFormatCount>& PrintFormats();

// The format with this code, or nullptr when the code is not 1..7.
const PrintFormat* PrintFormatByCode(int code);

// Codes in the order lists show them: by size, 9x13, 10x13, 10x15, 13x18, 15x21, 20x30, 30x45.
const std::array<int, PrintFormatCount>& PrintFormatScreenOrder();

// The eighth choice of the main window after the seven formats: free proportions, checked at start.
QString FreeFormatName(); // "dowolna"

// Alignment of the band kept by a height cut (the batch wizard stores 1, 2 or 3; any other value
// counts as the centre).
enum class CropAlignment { Top = 1, Centre = 2, Bottom = 3 };
inline constexpr CropAlignment DefaultCropAlignment = CropAlignment::Centre;
QString CropAlignmentName(CropAlignment alignment); // "góra", "środek", "dół"

// The viewer's rubber-band frame in bitmap pixels, single precision as the view holds it.
struct CropFrame {
    float left = 0;
    float top = 0;
    float right = 0;
    float bottom = 0;
    friend bool operator==(const CropFrame&, const CropFrame&) = default;
};

// The frame given the format's proportions, about the same perimeter and centre, kept inside the
// W × H image.
CropFrame FitCropFrame(const CropFrame& frame, const PrintFormat& format, int imageWidth, int imageHeight);

// The rows a height cut keeps of a W × H image: (W div a) × b rows placed by the alignment. Empty when
// the format's height cut does not apply (the image is not too tall for the format, the cut would have
// no rows, or the code is unknown).
struct RowBand {
    int top = 0;
    int height = 0;
    friend bool operator==(const RowBand&, const RowBand&) = default;
};
std::optional<RowBand> HeightCutBand(int imageWidth, int imageHeight, int formatCode,
                                     CropAlignment alignment);

// Replaces `raster` by its cut-out to the format (a new 24-bit raster), or leaves it alone when it has
// the format's height already. Answers false, leaving the raster alone, when the cut-out would be empty
// (too small an image), the code is unknown or the raster is null. Throws std::bad_alloc, leaving the
// raster alone, when there is no memory for the cut-out.
bool CropToFormat(Raster& raster, int formatCode, CropAlignment alignment);

} // namespace imaging
