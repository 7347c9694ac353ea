#pragma once

// The desktop services the program asks for: open a web address, choose a folder, the user's documents
// folder, a file's property sheet, a help page. Windows talk to a `Shell` so that tests can record the
// calls instead of opening browsers and dialogs. UI thread only.
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class QObject;
class QUrl;
class QWidget;

namespace ui {

class Prompts;

class Shell {
public:
    virtual ~Shell() = default;

    // Opens the address in the user's browser. When that cannot be done, the customer is told so, with
    // the address to copy (a moment later, perhaps: the system says it only when it has tried).
    virtual void openUrl(const QString& url) = 0;

    // The folder browser: returns the chosen folder, or an empty text when the user cancels.
    // `start` (may be empty) is preselected.
    virtual QString chooseFolder(QWidget* parent, const QString& title, const QString& start) = 0;

    // The user's documents folder; empty when the system cannot tell.
    virtual QString documentsFolder() = 0;

    // Shows the properties of one file; false when the request was not accepted.
    virtual bool showProperties(QWidget* parent, const QString& path) = 0;

    // Opens a local help page with the system's viewer; false only when the file is missing. A viewer
    // that cannot open it is told like a failed address.
    virtual bool openHelp(const QString& path) = 0;
};

// Production shell over QDesktopServices, QFileDialog and QStandardPaths. The property sheet is the
// shell's own on Windows; elsewhere our own small window (FilePropertiesWindow).
class DesktopShell final : public Shell {
public:
    // `prompts` tells the customer about an address that cannot be opened; without one, a message box.
    explicit DesktopShell(Prompts* prompts = nullptr);
    ~DesktopShell() override;
    void openUrl(const QString& url) override;
    QString chooseFolder(QWidget* parent, const QString& title, const QString& start) override;
    QString documentsFolder() override;
    bool showProperties(QWidget* parent, const QString& path) override;
    bool openHelp(const QString& path) override;

    // The message for an address (or a help file) that could not be opened.
    static QString CannotOpenText(const QString& address);

private:
    void open(const QUrl& url, const QString& address);
    void cannotOpen(const QString& address);

    std::unique_ptr<Prompts> ownPrompts_;
    Prompts* prompts_;
    // Context of the system's answers: none arrives once the shell is gone.
    std::unique_ptr<QObject> answers_;
};

// Test double: records every call as one line ("openUrl <address>", "chooseFolder <title>|<start>",
// "showProperties <path>", "openHelp <path>") and answers with the fields below.
class RecordingShell final : public Shell {
public:
    void openUrl(const QString& url) override;
    QString chooseFolder(QWidget* parent, const QString& title, const QString& start) override;
    QString documentsFolder() override;
    bool showProperties(QWidget* parent, const QString& path) override;
    bool openHelp(const QString& path) override;

    QStringList calls;
    QString folderAnswer; // what chooseFolder returns
    QString documents;    // what documentsFolder returns
    bool propertiesResult = true;
    bool helpResult = true;
};

} // namespace ui
