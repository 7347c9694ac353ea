#include "service/serviceoutcomes.h"

namespace service {

LoginOutcome JudgeLogin(const ServiceResponse& answer) {
    LoginOutcome outcome;
    if (answer.IsEmpty())
        return outcome;
    const QString message = answer.Value(QStringLiteral("message"));
    const QString status = answer.Value(QStringLiteral("status"));
    outcome.kind = LoginOutcome::Kind::Failure;
    if (message != QLatin1String("001")) {
        outcome.error = QStringLiteral("Nieznana odpowiedz podczas logowania.\n\rMessage: ") + message;
    } else if (status == QLatin1String("103")) {
        outcome.error = QStringLiteral("Błąd podczas logowania. \n\rNiepoprawny login lub hasło.");
    } else if (status != QLatin1String("001") || answer.Value(QStringLiteral("sessid")).isEmpty()) {
        outcome.error = QStringLiteral("Nieznany błąd podczas logowania.\n\rStatus: ") + status;
    } else {
        outcome.kind = LoginOutcome::Kind::Success;
        outcome.sessionId = answer.Value(QStringLiteral("sessid"));
        outcome.orderUrl = answer.Value(QStringLiteral("order_url"));
        outcome.editUrl = answer.Value(QStringLiteral("edit_url"));
    }
    return outcome;
}

QString LoginConnectionError(const QString& transportError) {
    return QStringLiteral("Błąd podczas nawiązywania połączenia: ") + transportError;
}

std::optional<AlbumList> JudgeAlbums(const ServiceResponse& answer) {
    if (answer.IsEmpty())
        return std::nullopt;
    AlbumList list;
    if (answer.Value(QStringLiteral("message")) != QLatin1String("002") ||
        answer.Value(QStringLiteral("status")) != QLatin1String("002"))
        return list;
    // The pairs start at the third line whatever the first two hold.
    for (int i = 2; i + 1 < answer.Count(); i += 2) {
        list.ids.append(FieldOfLine(answer.Line(i), 1));
        list.names.append(FieldOfLine(answer.Line(i + 1), 1));
    }
    list.count = static_cast<int>(list.names.size());
    return list;
}

QString AlbumsConnectionError(const QString& transportError) {
    return QStringLiteral("Nie można pobrać listy albumów. ") + transportError;
}

std::optional<UploadOutcome> JudgeUpload(const ServiceResponse& answer) {
    if (answer.Value(QStringLiteral("message")) != QLatin1String("003"))
        return std::nullopt;
    const QString status = answer.Value(QStringLiteral("status"));
    if (status.isEmpty())
        return UploadOutcome{};
    if (status == QLatin1String("001"))
        return UploadOutcome{QStringLiteral("Wysłano"), QStringLiteral("OK")};
    if (status == QLatin1String("002"))
        return UploadOutcome{kNotSent, QStringLiteral("Przekroczona dopuszczalna pojemność konta.")};
    if (status == QLatin1String("103"))
        return UploadOutcome{kNotSent, QStringLiteral("Błąd autoryzacji podczas wysyłania zdjęcia.")};
    return UploadOutcome{kNotSent, QStringLiteral("Nieznany błąd podczas wysyłania. Status: ") + status};
}

UploadOutcome UploadTransportFailure() {
    return {kNotSent, QStringLiteral("Błąd podczas wysyłania pliku.")};
}
UploadOutcome UploadFileMissing() {
    return {kNotSent, QStringLiteral("Nie można odnaleźć pliku źródłowego")};
}
UploadOutcome UploadFileUnreadable() {
    return {kNotSent, QStringLiteral("Nie można odczytać pliku źródłowego")};
}
UploadOutcome UploadStoppedByUser() {
    return {kNotSent, QStringLiteral("Przerwane przez użytkownika")};
}
UploadOutcome UploadOutcomeUnknown() {
    return {kOutcomeUnknown, QStringLiteral("Wysłano, ale serwis nie potwierdził odbioru: zdjęcie mogło "
                                            "trafić do albumu.")};
}

VersionOutcome JudgeVersion(const ServiceResponse& answer, const QString& ownVersion) {
    VersionOutcome outcome;
    outcome.downloadUrl = answer.Value(QStringLiteral("download_url"));
    const QString version = answer.Value(QStringLiteral("version"));
    if (version.isEmpty())
        return outcome;
    outcome.kind =
        version == ownVersion ? VersionOutcome::Kind::SameVersion : VersionOutcome::Kind::NewVersion;
    return outcome;
}

} // namespace service
