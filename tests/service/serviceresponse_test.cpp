#include "service/serviceresponse.h"

#include <gtest/gtest.h>

using service::FieldOfLine;
using service::ServiceResponse;

TEST(ServiceResponse, SplitsAtLineFeedsOnlyAndDropsTheUnfinishedLastLine) {
    struct Case {
        QByteArray body;
        QStringList lines;
    };
    const Case cases[] = {
        {"", {}},
        {"message=001", {}},
        {"a=1\nb=2", {"a=1"}},
        {"a=1\r\nb=2\r\n", {"a=1\r", "b=2\r"}},
        {"\n\nx\n", {"", "", "x"}},
        {"a\rb\n", {"a\rb"}},
        {"name=\"Wakacje na \xa3odzi\"\n", {QString::fromUtf8("name=\"Wakacje na Łodzi\"")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body.toStdString());
        const ServiceResponse r = ServiceResponse::FromBody(c.body);
        QStringList lines;
        for (int i = 0; i < r.Count(); ++i)
            lines << r.Line(i);
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(r.IsEmpty(), c.lines.isEmpty());
    }
}

TEST(ServiceResponse, ValueOfTheFirstLineWithTheKeyInAnyCase) {
    const ServiceResponse r =
        ServiceResponse::FromBody("noequals\nMESSAGE=001\nmessage=002\nstatus=001=x\n=nokey\nStatus=9\n");
    const std::pair<const char*, QString> cases[] = {
        {"message", "001"}, {"Message", "001"}, {"status", "001=x"},
        {"", "nokey"},      {"noequals", ""},   {"absent", ""},
    };
    for (const auto& [key, value] : cases)
        EXPECT_EQ(r.Value(key), value) << key;
}

TEST(FieldOfLine, QuotesToggleAndHideEqualsSigns) {
    struct Case {
        QString line;
        int n;
        QString field;
    };
    const Case cases[] = {
        {"id=\"12\"", 1, "12"},  {"name=\"A=B\"", 1, "A=B"},
        {"name=A=B", 1, "A"},    {"name=A=B", 2, "B"},
        {"a=b", 5, ""},          {"x=\"un\"clo\"sed", 1, "unclosed"},
        {"a==c", 1, ""},         {"a==c", 2, "c"},
        {"\"q=r\"=s", 0, "q=r"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FieldOfLine(c.line, c.n), c.field) << c.line.toStdString() << " #" << c.n;
}
