#include "ui/common/shell.h"

#include <gtest/gtest.h>

namespace {

TEST(DesktopShell, MissingFilesAreRefusedWithoutOpeningAnything) {
    ui::DesktopShell s;
    EXPECT_FALSE(s.showProperties(nullptr, QStringLiteral("/nonexistent/zdjecie.jpg")));
    EXPECT_FALSE(s.openHelp(QStringLiteral("/nonexistent/pomoc/index.html")));
}

} // namespace
