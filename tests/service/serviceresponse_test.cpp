#include "service/serviceresponse.h"

#include <gtest/gtest.h>

using service::FieldOfLine;
using service::ServiceResponse;

TEST(ServiceResponse, SplitsAtLineFeedsOnly) {
    struct Case {
        QByteArray body;
        QStringList lines;
    };
    const Case cases[] = {
        {"", {}},
        {"message=001", {}},
        {"a=1\n", {"a=1"}},
        {"a=1\nb=2", {"a=1"}},
        {"a=1\r\nb=2\r\n", {"a=1\r", "b=2\r"}},
        {"\n\nx\n", {"", "", "x"}},
        {"a\rb\n", {"a\rb"}},
    };
    for (const Case& c : cases) {
        const ServiceResponse r = ServiceResponse::FromBody(c.body);
        QStringList lines;
        for (int i = 0; i < r.Count(); ++i)
            lines << r.Line(i);
        EXPECT_EQ(lines, c.lines) << c.body.toStdString();
        EXPECT_EQ(r.IsEmpty(), c.lines.isEmpty());
    }
}

TEST(ServiceResponse, ValueOfTheFirstLineWithTheKeyInAnyCase) {
    const ServiceResponse r = ServiceResponse::FromBody("noequals\nMESSAGE=001\nmessage=002\nstatus=001=x\n"
                                                        "empty=\n=nokey\nStatus=9\nsessid=a=b=c\n");
    struct Case {
        const char* key;
        QString value;
    };
    const Case cases[] = {
        {"message", "001"}, {"Message", "001"}, {"status", "001=x"}, {"empty", ""},
        {"", "nokey"},      {"noequals", ""},   {"absent", ""},      {"sessid", "a=b=c"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(r.Value(c.key), c.value) << c.key;
}

TEST(ServiceResponse, DecodesWindows1250) {
    const ServiceResponse r = ServiceResponse::FromBody("name=\"Wakacje na \xa3odzi\"\n");
    EXPECT_EQ(FieldOfLine(r.Line(0), 1), QString::fromUtf8("Wakacje na Łodzi"));
}

TEST(FieldOfLine, QuotesToggleAndHideEqualsSigns) {
    struct Case {
        QString line;
        int n;
        QString field;
    };
    const Case cases[] = {
        {"id=\"12\"", 0, "id"},
        {"id=\"12\"", 1, "12"},
        {"name=\"A=B\"", 1, "A=B"},
        {"name=A=B", 1, "A"},
        {"name=A=B", 2, "B"},
        {"a=b", 5, ""},
        {"", 0, ""},
        {"x=\"un\"clo\"sed", 1, "unclosed"},
        {"a==c", 1, ""},
        {"a==c", 2, "c"},
        {"\"q=r\"=s", 0, "q=r"},
        {"f=Nie wys\u0142ano=", 2, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FieldOfLine(c.line, c.n), c.field) << c.line.toStdString() << " #" << c.n;
}
