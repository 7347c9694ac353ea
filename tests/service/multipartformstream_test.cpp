#include "service/multipartformstream.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

using service::MultipartFormStream;

namespace {

const QDateTime kMoment(QDate(2026, 3, 7), QTime(9, 5, 4, 32));
const QByteArray kBoundary = "---------------------------030726090504032";

MultipartFormStream::Clock fixedClock() {
    return [] { return kMoment; };
}

QByteArray textPart(const QByteArray& name, const QByteArray& value) {
    return "\r\n--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value;
}

const QByteArray kClosing = "\r\n--" + kBoundary + "--\r\n";

} // namespace

TEST(MultipartFormStream, BoundaryIsHyphensAndFifteenDigitsOfTheMoment) {
    EXPECT_EQ(MultipartFormStream::BoundaryFor(kMoment), kBoundary);
    EXPECT_EQ(MultipartFormStream::BoundaryFor(QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59, 999))),
              QByteArray(27, '-') + "123199235959999");
    const MultipartFormStream form(fixedClock());
    EXPECT_EQ(form.Boundary(), kBoundary);
    EXPECT_EQ(form.RequestContentType(), "multipart/form-data; boundary=" + kBoundary);
}

TEST(MultipartFormStream, DefaultClockGivesAWellFormedBoundary) {
    const QByteArray boundary = MultipartFormStream().Boundary();
    ASSERT_EQ(boundary.size(), 42);
    EXPECT_TRUE(boundary.startsWith(QByteArray(27, '-')));
    for (const char c : boundary.mid(27))
        EXPECT_TRUE(c >= '0' && c <= '9') << boundary.constData();
}

TEST(MultipartFormStream, LoginBodyWithClientIdentifier) {
    MultipartFormStream form(fixedClock());
    form.AddFormField("login", "jan@example.pl");
    form.AddFormField("password", "tajne");
    form.AddFormField("client_id", "K-17");
    form.CloseForm();
    EXPECT_EQ(form.Body(), textPart("login", "jan@example.pl") + textPart("password", "tajne") +
                               textPart("client_id", "K-17") + kClosing);
}

TEST(MultipartFormStream, ValuesGoVerbatimAsWindows1250) {
    struct Case {
        QString value;
        QByteArray wire;
    };
    const Case cases[] = {
        {"50%\"x\"", "50%\"x\""},
        {"a\r\nb", "a\r\nb"},
        {QString::fromUtf8("Zażółć gęślą jaźń"), "Za\xbf\xf3\xb3\xe6 g\xea\x9cl\xb9 ja\x9f\xf1"},
        {QString::fromUtf8("ŁÓDŹ"), "\xa3\xd3"
                                    "D\x8f"},
        {"", ""},
    };
    for (const Case& c : cases) {
        MultipartFormStream form(fixedClock());
        form.AddFormField(QString::fromUtf8("nazwę"), c.value);
        EXPECT_EQ(form.Body(), textPart("nazw\xea", c.wire)) << c.value.toStdString();
    }
}

TEST(MultipartFormStream, UploadBodyCarriesTheFileUnchanged) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromUtf8("zdjęcie 1.jpg"));
    QByteArray content("\xff\xd8\xff\xe0\r\n--\r\n\0\x01", 12);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    MultipartFormStream form(fixedClock());
    ASSERT_TRUE(form.AddFile("file", path, "image/jpeg"));
    form.AddFormField("sessid", "abc");
    form.AddFormField("idalbumu", "0");
    form.AddFormField("nazwaalbumu", "Lato");
    form.CloseForm();

    QStringEncoder encoder("windows-1250");
    const QByteArray wirePath = encoder.encode(path);
    const QByteArray filePart = "\r\n--" + kBoundary +
                                "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" + wirePath +
                                "\"\r\nContent-Length: 12\r\nContent-Type: image/jpeg\r\n\r\n" + content;
    EXPECT_EQ(form.Body(), filePart + textPart("sessid", "abc") + textPart("idalbumu", "0") +
                               textPart("nazwaalbumu", "Lato") + kClosing);
}

TEST(MultipartFormStream, ClearKeepsTheBoundaryForTheNextBody) {
    MultipartFormStream form(fixedClock());
    form.AddFormField("sessid", "1");
    form.CloseForm();
    const QByteArray first = form.Body();
    form.Clear();
    EXPECT_TRUE(form.Body().isEmpty());
    form.AddFormField("sessid", "1");
    form.CloseForm();
    EXPECT_EQ(form.Body(), first);
    EXPECT_EQ(form.Boundary(), kBoundary);
}

TEST(MultipartFormStream, MissingFileLeavesTheBodyAlone) {
    MultipartFormStream form(fixedClock());
    form.AddFormField("a", "b");
    const QByteArray before = form.Body();
    EXPECT_FALSE(form.AddFile("file", "/nonexistent/folder/x.jpg", "image/jpeg"));
    EXPECT_EQ(form.Body(), before);
}
