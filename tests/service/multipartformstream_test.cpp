#include "devserviceprocess.h"
#include "service/multipartformstream.h"

#include <gmock/gmock.h>

#include <QStringEncoder>

using service::MultipartFormStream;

namespace {

const QDateTime kMoment(QDate(2026, 3, 7), QTime(9, 5, 4, 32));
const QByteArray kBoundary = "---------------------------030726090504032";

MultipartFormStream::Clock fixedClock() {
    return [] { return kMoment; };
}

} // namespace

TEST(MultipartFormStream, BoundaryIsHyphensAndFifteenDigitsOfTheMoment) {
    EXPECT_EQ(MultipartFormStream::BoundaryFor(kMoment), kBoundary);
    EXPECT_EQ(MultipartFormStream::BoundaryFor(QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59, 999))),
              QByteArray(27, '-') + "123199235959999");
    const MultipartFormStream form(fixedClock());
    EXPECT_EQ(form.RequestContentType(), "multipart/form-data; boundary=" + kBoundary);
    EXPECT_THAT(MultipartFormStream().Boundary().toStdString(), testing::MatchesRegex("-{27}[0-9]{15}"));
}

TEST(MultipartFormStream, ValuesGoVerbatimAsWindows1250) {
    const std::pair<QString, QByteArray> cases[] = {
        {"50%\"x\"", "50%\"x\""},
        {"a\r\nb", "a\r\nb"},
        {QString::fromUtf8("Zażółć gęślą jaźń ŁÓDŹ"), "Za\xbf\xf3\xb3\xe6 g\xea\x9cl\xb9 ja\x9f\xf1 \xa3\xd3"
                                                      "D\x8f"},
    };
    for (const auto& [value, wire] : cases) {
        MultipartFormStream form(fixedClock());
        form.AddFormField(QString::fromUtf8("nazwę"), value);
        form.CloseForm();
        EXPECT_EQ(form.Body(), FormBody(kBoundary, {{"nazw\xea", wire}})) << value.toStdString();
    }
}

TEST(MultipartFormStream, UploadBodyCarriesTheFileUnchanged) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromUtf8("zdjęcie 1.jpg"));
    const QByteArray content("\xff\xd8\xff\xe0\r\n--\r\n\0\x01", 12);
    ASSERT_TRUE(WriteFile(path, content));

    MultipartFormStream form(fixedClock());
    ASSERT_TRUE(form.AddFile("file", path, "image/jpeg"));
    form.AddFormField("sessid", "abc");
    form.CloseForm();
    const QByteArray filePart = "\r\n--" + kBoundary +
                                "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" +
                                QStringEncoder("windows-1250").encode(path) +
                                "\"\r\nContent-Length: 12\r\nContent-Type: image/jpeg\r\n\r\n" + content;
    const QByteArray expected = filePart + FormBody(kBoundary, {{"sessid", "abc"}});
    EXPECT_EQ(form.Body(), expected);

    // A file that cannot be read leaves the body alone; Clear() keeps the boundary for the next body.
    EXPECT_FALSE(form.AddFile("file", dir.filePath("gone.jpg"), "image/jpeg"));
    EXPECT_EQ(form.Body(), expected);
    form.Clear();
    EXPECT_TRUE(form.Body().isEmpty());
    form.AddFormField("sessid", "abc");
    form.CloseForm();
    EXPECT_EQ(form.Body(), FormBody(kBoundary, {{"sessid", "abc"}}));
}
