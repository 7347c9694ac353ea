#pragma once

// What each of the four service calls means: pure functions from an answer to an outcome with the
// texts the user is shown. Usable on any thread.
#include "service/serviceresponse.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace service {

// Script names, appended to the service base address.
inline constexpr const char* kLoginScript = "ifloguj.php";
inline constexpr const char* kAlbumScript = "ifalbum.php";
inline constexpr const char* kUploadScript = "ifupload.sphp";
inline constexpr const char* kVersionScript = "ifver.php";

struct LoginOutcome {
    enum class Kind { Nothing, Success, Failure };
    Kind kind = Kind::Nothing;
    QString error;     // for Failure
    QString sessionId; // for Success, never empty then
    QString orderUrl;  // for Success, may be empty
    QString editUrl;   // for Success, may be empty
};

// An answer without lines reports nothing. A success without "sessid" is a failure, so the wizard never
// waits for a login that cannot come.
LoginOutcome JudgeLogin(const ServiceResponse& answer);
QString LoginConnectionError(const QString& transportError);

struct AlbumList {
    int count = 0;
    QStringList names;
    QStringList ids;
};

// Nothing for an answer without lines; otherwise a list, empty for every answer that is not a list.
std::optional<AlbumList> JudgeAlbums(const ServiceResponse& answer);
QString AlbumsConnectionError(const QString& transportError);

struct UploadOutcome {
    QString status;      // "Wysłano", "Niewysłano" or empty
    QString description; // may be empty
};

// Nothing unless the answer is an upload answer; then the report's status word and description.
std::optional<UploadOutcome> JudgeUpload(const ServiceResponse& answer);

// Report texts the upload worker writes itself.
UploadOutcome UploadTransportFailure();
UploadOutcome UploadFileMissing();
UploadOutcome UploadFileUnreadable();
UploadOutcome UploadStoppedByUser();
// The photo left whole but no answer came (a stop, a time-out or a broken connection after the last
// byte): the service may hold it, so sending it again may put it into the album twice.
UploadOutcome UploadOutcomeUnknown();
inline const QString kNotSent = QStringLiteral("Niewysłano");
inline const QString kOutcomeUnknown = QStringLiteral("Nieznany");

struct VersionOutcome {
    enum class Kind { NoResult, NewVersion, SameVersion };
    Kind kind = Kind::NoResult;
    QString downloadUrl; // "download_url" of the answer, may be empty
};

// Any version text other than `ownVersion` counts as a new one, older or not.
VersionOutcome JudgeVersion(const ServiceResponse& answer, const QString& ownVersion);

} // namespace service
