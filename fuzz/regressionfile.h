#pragma once

// Running a target on one finding with PIXVALE_FUZZ_KEEP=<path> set writes the file it crafted from
// that input to <path>, to be kept as a regression file of the tests.
#include <QByteArray>
#include <QFile>

#include <cstdlib>

inline void keepForRegression(const QByteArray& file) {
    const char* path = std::getenv("PIXVALE_FUZZ_KEEP");
    if (path == nullptr || *path == '\0')
        return;
    QFile out(QString::fromLocal8Bit(path));
    if (out.open(QIODevice::WriteOnly))
        out.write(file);
}
