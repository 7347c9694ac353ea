#pragma once

// One photo of a batch cropping run, as a pool thread does it: load, cut, encode with the photo's
// metadata into memory. Whether and where the bytes are written is decided afterwards by the run on its
// owner's thread. Reentrant: any number of photos may be worked on at once.
#include "imaging/batchcrop.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>

namespace imaging::detail {

struct BatchCropProduct {
    enum class Kind {
        Encoded,      // `bytes` hold the whole JPEG file
        Empty,        // the cut would have no rows or columns
        LoadFailed,   // `message`: the wizard's load message
        EncodeFailed, // `message`: the save failure message
        Dropped,      // the run was ended before the work was done
    };
    Kind kind = Kind::Dropped;
    QString message;
    QByteArray bytes;
};

// Works on one photo; gives up early (Dropped) once `cancelled` is set.
BatchCropProduct CropAndEncode(const BatchCropItem& item, const BatchCropOptions& options,
                               const std::atomic<bool>& cancelled);

using BatchCropWorker = std::function<BatchCropProduct(const BatchCropItem&, const BatchCropOptions&,
                                                       const std::atomic<bool>& cancelled)>;

// Runs `worker` on one photo; whatever it throws becomes a failure of that photo (EncodeFailed with
// kUnexpectedFailure and what the exception says), so the run counts it and goes on.
BatchCropProduct WorkOnPhoto(const BatchCropWorker& worker, const BatchCropItem& item,
                             const BatchCropOptions& options, const std::atomic<bool>& cancelled);
inline const QString kUnexpectedFailure = QStringLiteral("Nieoczekiwany błąd podczas kadrowania");

} // namespace imaging::detail

namespace imaging {

// Lets tests wrap the work of a run (to watch its threads and how many photos are in flight) before
// it starts.
struct BatchCropRunProbe {
    static void setWorker(BatchCropRun& run, detail::BatchCropWorker worker);
};

} // namespace imaging
