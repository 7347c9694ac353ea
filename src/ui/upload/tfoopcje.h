#pragma once

// The options dialog: the proxy of every service call, the viewer's scaling quality and the automatic
// version check. It edits a copy and writes the settings record only when accepted (Apply). While open
// it remembers the proxy texts, so that switching the proxy off and on again brings them back.
// UI thread only.
#include <QDialog>

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace core {
struct Settings;
}

namespace ui {

class Prompts;
class WordPicture;

class TfoOpcje : public QDialog {
    Q_OBJECT
public:
    TfoOpcje(Prompts& prompts, QWidget* parent = nullptr);

    // Fills the controls from the record (the proxy-use rule runs once).
    void Load(const core::Settings& settings);
    // Writes the accepted choices into the record; true when the view quality changed.
    bool Apply(core::Settings& settings) const;

    // The proxy-use rule: enables the proxy fields and brings back or puts away what they hold.
    void ProxyUseChanged();
    // Accept: checks the port when the proxy is on.
    void Ok();

    QCheckBox* cbProxyUse = nullptr;
    QLineEdit* eProxyServer = nullptr;
    QLineEdit* eProxyPort = nullptr;
    QLineEdit* eProxyUser = nullptr;
    QLineEdit* eProxyPassword = nullptr;
    QCheckBox* cbBasicAutentication = nullptr;
    QRadioButton* rbJakoscNormalna = nullptr;
    QRadioButton* rbJakoscWysoka = nullptr;
    QCheckBox* cbAutoUpdate = nullptr;
    WordPicture* iOk = nullptr;
    WordPicture* iAnuluj = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void rememberFields();

    Prompts& prompts_;
    // What the proxy fields held when they were last put away or accepted.
    QString server_, port_, user_, password_;
    bool basic_ = false;
};

// The port text as a whole number, -1 when it is not one.
int PortOf(const QString& text);

} // namespace ui
