// The baseline of the upload benchmarks: one upload body sent by libcurl alone, with the same HTTP
// version and headers as the program's transport, the answer thrown away.
#pragma once

#include <QByteArray>

namespace bench {

// Posts `body` to `url` as `contentType`; false when libcurl reports a failure.
bool bareCurlPost(const QByteArray& url, const QByteArray& contentType, const QByteArray& body);

} // namespace bench
