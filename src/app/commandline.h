#pragma once

// The program's command line: photos or folders to open (what a desktop's "Open with" passes), --help
// and --version with Polish texts, and one hidden option for the installation test. Parsed before the
// application object exists, so that --help and --version work without a display. Any thread.
#include <QString>
#include <QStringList>

namespace app {

struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    // Absolute paths of the photos and folders named (file: addresses become paths), in their order.
    QStringList paths;
    // Hidden: after the first photo or folder is opened (from this command line or handed over by a later
    // copy), print what the program found and end.
    bool reportAndQuit = false;
    // What to print: the help or version text, or the error (for Action::Error).
    QString text;
};

// `arguments` as in QCoreApplication::arguments(): the program's name first. Relative paths are taken
// from `workingFolder`.
CommandLine parseCommandLine(const QStringList& arguments, const QString& workingFolder);

// The arguments of main() as texts in the system's encoding.
QStringList argumentsOf(int argc, char** argv);

// For anything but Action::Run: prints the text (help and version to standard output, an error to
// standard error) and returns the program's exit code (0, or 1 for an error).
int printOutcome(const CommandLine& command);

} // namespace app
