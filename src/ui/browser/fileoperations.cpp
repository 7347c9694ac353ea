#include "ui/browser/fileoperations.h"

#include "ui/common/prompts.h"
#include "ui/common/shell.h"

#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <filesystem>
#include <system_error>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace ui {

namespace {

fs::path nativePath(const QString& path) {
#ifdef Q_OS_WIN
    return fs::path(path.toStdWString());
#else
    return fs::path(QFile::encodeName(path).toStdString());
#endif
}

// The system's reason in the user's words: the common ones in Polish, the rest as the system says it.
QString reasonText(const std::error_code& ec) {
    struct Known {
        std::errc code;
        const char* text;
    };
    static const Known known[] = {
        {std::errc::file_exists, "Plik o tej nazwie już istnieje w folderze docelowym."},
        {std::errc::no_such_file_or_directory, "Plik lub folder nie istnieje."},
        {std::errc::permission_denied, "Brak uprawnień do pliku lub folderu."},
        {std::errc::operation_not_permitted, "Brak uprawnień do pliku lub folderu."},
        {std::errc::read_only_file_system, "Nośnik jest tylko do odczytu."},
        {std::errc::no_space_on_device, "Brak miejsca na dysku."},
        {std::errc::is_a_directory, "W tym miejscu jest folder, a nie plik."},
        {std::errc::directory_not_empty, "W tym miejscu jest folder, a nie plik."},
        {std::errc::device_or_resource_busy, "Plik jest używany przez inny program."},
        {std::errc::filename_too_long, "Nazwa pliku jest za długa."},
    };
    for (const Known& k : known) {
        if (ec == k.code)
            return QString::fromUtf8(k.text);
    }
    const QString system = QString::fromLocal8Bit(ec.message()).trimmed();
    return system.isEmpty() ? QStringLiteral("Błąd systemu %1.").arg(ec.value()) : system;
}

FileOutcome failed(std::errc code) {
    return {reasonText(std::make_error_code(code))};
}

FileOutcome outcomeOf(const std::error_code& ec) {
    return ec ? FileOutcome{reasonText(ec)} : FileOutcome{};
}

bool existsAtAll(const fs::path& p) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec)); // a dangling link still occupies the name
}

// A copy keeps the photo's date, as the system's own copy does: the browser sorts by it.
std::error_code copyKeepingDate(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    if (!fs::copy_file(from, to, fs::copy_options::none, ec) || ec) {
        std::error_code ignored;
        if (ec != std::errc::file_exists)
            fs::remove(to, ignored); // a partial copy is ours: the name was free before
        return ec ? ec : std::make_error_code(std::errc::io_error);
    }
    std::error_code ignored;
    const auto when = fs::last_write_time(from, ignored);
    if (!ignored)
        fs::last_write_time(to, when, ignored);
    return {};
}

// The system's plain rename replaces a file that stands under the new name, and a check made before it
// leaves a moment in which a file can appear there and be lost. These ask the system to refuse in the
// same step: renameat2 with RENAME_NOREPLACE, or, where the file system does not know that flag, a hard
// link (which refuses an existing name) and the removal of the old name.
std::error_code renameWithoutReplacing(const fs::path& from, const fs::path& to) {
#ifdef Q_OS_WIN
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH))
        return {};
    const DWORD error = GetLastError();
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS
               ? std::make_error_code(std::errc::file_exists)
               : std::error_code(static_cast<int>(error), std::system_category());
#elif defined(Q_OS_MACOS)
    if (renamex_np(from.c_str(), to.c_str(), RENAME_EXCL) == 0)
        return {};
    return {errno, std::generic_category()};
#else
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return {};
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return {errno, std::generic_category()};
    if (link(from.c_str(), to.c_str()) != 0)
        return {errno, std::generic_category()};
    if (unlink(from.c_str()) != 0) {
        const std::error_code ec(errno, std::generic_category());
        unlink(to.c_str()); // the old name stays, so the new one goes
        return ec;
    }
    return {};
#endif
}

// Shows the hourglass while a file operation runs.
struct BusyCursor {
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace

FileOutcome renameNoReplace(const QString& from, const QString& to) {
    return outcomeOf(renameWithoutReplacing(nativePath(from), nativePath(to)));
}

FileOutcome copyFileNoOverwrite(const QString& from, const QString& to) {
    const fs::path target = nativePath(to);
    if (existsAtAll(target))
        return failed(std::errc::file_exists);
    return outcomeOf(copyKeepingDate(nativePath(from), target));
}

FileOutcome moveFileNoOverwrite(const QString& from, const QString& to) {
    const fs::path source = nativePath(from);
    const fs::path target = nativePath(to);
    std::error_code ec = renameWithoutReplacing(source, target);
    if (ec != std::errc::cross_device_link)
        return outcomeOf(ec);
    // Another drive: copy, then delete the original; a copy whose original stays is taken back.
    if (const std::error_code copied = copyKeepingDate(source, target))
        return outcomeOf(copied);
    if (!fs::remove(source, ec) || ec) {
        std::error_code ignored;
        fs::remove(target, ignored);
        return ec ? outcomeOf(ec) : failed(std::errc::no_such_file_or_directory);
    }
    return {};
}

FileOutcome deleteFile(const QString& path) {
    const fs::path p = nativePath(path);
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(p, ec);
    if (!fs::exists(status))
        return failed(std::errc::no_such_file_or_directory);
    if (fs::is_directory(status))
        return failed(std::errc::is_a_directory);
    if (!fs::remove(p, ec) && !ec)
        return failed(std::errc::no_such_file_or_directory);
    return outcomeOf(ec);
}

QString joinPath(const QString& folder, const QString& fileName) {
    const QString base = QDir::toNativeSeparators(folder);
    if (base.isEmpty() || base.endsWith(QDir::separator()))
        return base + fileName;
    return base + QDir::separator() + fileName;
}

FileOperations::FileOperations(QWidget* owner, Prompts& prompts, Shell& shell)
    : owner_(owner)
    , prompts_(prompts)
    , shell_(shell) {}

bool FileOperations::transfer(const QString& title, const QString& failure, const QString& path,
                              const QString& currentFolder, Transfer call) {
    const QString folder = shell_.chooseFolder(owner_, title, currentFolder);
    if (folder.isEmpty())
        return false;
    FileOutcome outcome;
    {
        BusyCursor busy;
        outcome = call(path, joinPath(folder, QFileInfo(path).fileName()));
    }
    if (!outcome.ok())
        report(failure, outcome);
    return true;
}

void FileOperations::report(const QString& failure, const FileOutcome& outcome) {
    prompts_.plain(owner_, failure + QLatin1Char('\n') + outcome.reason);
}

bool FileOperations::copyTo(const QString& path, const QString& currentFolder) {
    transfer(QStringLiteral("Wybierz folder, do którego chcesz skopiować plik"),
             QStringLiteral("Kopiowanie nieudane"), path, currentFolder, copyFileNoOverwrite);
    return false;
}

bool FileOperations::moveTo(const QString& path, const QString& currentFolder) {
    return transfer(QStringLiteral("Wybierz folder, do którego chcesz przenieść plik"),
                    QStringLiteral("Przenoszenie nieudane"), path, currentFolder, moveFileNoOverwrite);
}

bool FileOperations::remove(const QString& path) {
    // The line break is LF then CR, as the program has always written it.
    const QString question = QStringLiteral("Czy na pewno chcesz usunąć plik: \n\r") + path;
    if (prompts_.askYesNo(owner_, question) != Prompts::Answer::Yes)
        return false;
    FileOutcome outcome;
    {
        BusyCursor busy;
        outcome = deleteFile(path);
    }
    if (!outcome.ok())
        report(QStringLiteral("Usuwanie nieudane"), outcome);
    return true;
}

} // namespace ui
