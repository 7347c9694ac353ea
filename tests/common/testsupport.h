#pragma once

// Helpers shared by every test suite: where the photo corpus and the build tree are, whole files.
#include <QByteArray>
#include <QString>

namespace testsupport {

// Folder of the shared corpus of real JPEG and TIFF files (read-only). PIXVALE_CORPUS overrides it.
QString corpusDir();

// Full path of one corpus file.
QString corpusFile(const QString& name);

// Root of the build tree (where bin/ holds the programs).
QString binaryDir();

// Writes `content` as the whole file; false when that failed.
bool WriteFile(const QString& path, const QByteArray& content);
// The whole file, empty when it cannot be read.
QByteArray ReadFile(const QString& path);

} // namespace testsupport
