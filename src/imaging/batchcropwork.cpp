#include "imaging/batchcropwork.h"

#include "imaging/photometadata.h"

#include <new>
#include <stdexcept>

namespace imaging::detail {

namespace {

BatchCropProduct failedWith(BatchCropProduct::Kind kind, const QString& message) {
    BatchCropProduct product;
    product.kind = kind;
    product.message = message;
    return product;
}

BatchCropProduct work(const BatchCropItem& item, const BatchCropOptions& options,
                      const std::atomic<bool>& cancelled) {
    RasterLoad photo = LoadPhotoRaster(item.path);
    if (!photo.ok())
        return failedWith(BatchCropProduct::Kind::LoadFailed, WizardLoadMessage(photo));
    if (cancelled.load())
        return {};
    if (!CropToFormat(photo.raster, options.formatCode, item.alignment))
        return failedWith(BatchCropProduct::Kind::Empty, {});
    EncodedJpeg encoded = EncodeJpegWithMetadata(photo.raster, options.quality, ReadPhotoMetadata(item.path));
    if (!encoded.ok())
        return failedWith(BatchCropProduct::Kind::EncodeFailed, SaveFailureMessage(encoded));
    BatchCropProduct product;
    product.kind = BatchCropProduct::Kind::Encoded;
    product.bytes = std::move(encoded.bytes);
    return product;
}

} // namespace

BatchCropProduct CropAndEncode(const BatchCropItem& item, const BatchCropOptions& options,
                               const std::atomic<bool>& cancelled) {
    if (cancelled.load())
        return {};
    try {
        return work(item, options, cancelled);
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    ImageStatus memory;
    memory.error = ImageErrorMemory;
    memory.errorText = ImageErrorText(memory.error);
    return failedWith(BatchCropProduct::Kind::EncodeFailed, SaveFailureMessage(memory));
}

BatchCropProduct WorkOnPhoto(const BatchCropWorker& worker, const BatchCropItem& item,
                             const BatchCropOptions& options, const std::atomic<bool>& cancelled) {
    try {
        return worker(item, options, cancelled);
    } catch (const std::exception& e) {
        return failedWith(BatchCropProduct::Kind::EncodeFailed, kUnexpectedFailure + QStringLiteral(" (") +
                                                                    QString::fromLocal8Bit(e.what()) +
                                                                    QLatin1Char(')'));
    } catch (...) {
        return failedWith(BatchCropProduct::Kind::EncodeFailed, kUnexpectedFailure);
    }
}

} // namespace imaging::detail
