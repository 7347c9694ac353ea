#include "devserviceprocess.h"
#include "service/multipartformstream.h"
#include "testsupport.h"

using namespace service;

// The development service must not take a request whose body ended before its declared length for a
// whole one, even when what did arrive happens to be a complete form.
using Emulator = WithDevService;

TEST_F(Emulator, ABodyCutShortIsNeverParsed) {
    MultipartFormStream form;
    ASSERT_TRUE(form.AddFile("file", testsupport::corpusFile("canon_s40_II_thumb.jpg"), "image/jpeg"));
    form.AddFormField("sessid", LogIn(service));
    form.AddFormField("idalbumu", "1");
    form.AddFormField("nazwaalbumu", "");
    form.CloseForm();
    const QByteArray body = form.Body();

    const std::pair<qsizetype, bool> cases[] = {
        // bytes declared beyond those sent, stored
        {5000, false},
        {1, false},
        {0, true},
    };
    int uploads = 0;
    for (const auto& [missing, stored] : cases) {
        SCOPED_TRACE(missing);
        const QByteArray head =
            "POST /ifupload.sphp HTTP/1.0\r\nHost: 127.0.0.1\r\nContent-Type: " + form.RequestContentType() +
            "\r\nContent-Length: " + QByteArray::number(body.size() + missing) + "\r\n\r\n";
        // Hanging up is what ends a short body for the server; a whole one is answered.
        const QByteArray answer = RawExchange(service.port(), head + body, missing > 0);
        EXPECT_EQ(answer.startsWith("HTTP/1.1 200 ") && answer.endsWith("message=003\nstatus=001\n"), stored)
            << answer.constData();
        uploads += stored;
        EXPECT_EQ(service.stored().size(), uploads);
        EXPECT_EQ(service.bodiesOf("ifupload.sphp").size(), uploads);
    }
}
