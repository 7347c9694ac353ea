#pragma once

// Copy to, move to and delete of the current photo file: the file-system calls, which never overwrite
// and report the system's reason in Polish, and the commands around them with their folder browser,
// question and messages. UI thread only (the commands); the file-system calls run on any thread.
#include <QString>

class QWidget;

namespace ui {

class Prompts;
class Shell;

// What one file-system call did: empty `reason` when it worked, otherwise why not, in the user's words.
struct FileOutcome {
    QString reason;
    bool ok() const { return reason.isEmpty(); }
};

// Copies `from` to `to`; refuses when `to` exists (also when it is `from` itself).
FileOutcome copyFileNoOverwrite(const QString& from, const QString& to);
// Renames `from` to `to` in one step that refuses when `to` exists, even when it appears at that moment.
FileOutcome renameNoReplace(const QString& from, const QString& to);
// Moves `from` to `to` (a rename, or a copy and delete across drives); refuses when `to` exists.
FileOutcome moveFileNoOverwrite(const QString& from, const QString& to);
// Deletes a file for good (no recycle bin); refuses a folder and a file that is already gone.
FileOutcome deleteFile(const QString& path);

// The folder and the file name joined with the platform's separator.
QString joinPath(const QString& folder, const QString& fileName);

// The three commands. Each returns whether the catalogue must be read again.
class FileOperations {
public:
    FileOperations(QWidget* owner, Prompts& prompts, Shell& shell);

    // Copies the photo into a chosen folder; the folder's contents shown do not change.
    bool copyTo(const QString& path, const QString& currentFolder);
    // Moves the photo into a chosen folder; true whenever a folder was chosen, even when the move failed.
    bool moveTo(const QString& path, const QString& currentFolder);
    // Deletes the photo after a question; true when the user said Yes.
    bool remove(const QString& path);

private:
    using Transfer = FileOutcome (*)(const QString& from, const QString& to);
    // Asks for a folder and runs `call` into it; false when the user cancelled the folder browser.
    bool transfer(const QString& title, const QString& failure, const QString& path,
                  const QString& currentFolder, Transfer call);
    void report(const QString& failure, const FileOutcome& outcome);

    QWidget* owner_;
    Prompts& prompts_;
    Shell& shell_;
};

} // namespace ui
