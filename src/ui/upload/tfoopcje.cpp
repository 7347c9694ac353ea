#include "ui/upload/tfoopcje.h"

#include "ui/upload/passwordecho.h"

#include "core/settings.h"
#include "ui/common/framedwindow.h"
#include "ui/common/keyboardbutton.h"
#include "ui/common/prompts.h"
#include "ui/upload/wordpicture.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>

namespace ui {

namespace {

template <typename Control>
Control* control(const char* name, const QString& text, QRect place, QWidget* parent) {
    auto* c = new Control(parent);
    c->setObjectName(QLatin1String(name));
    if (!text.isEmpty())
        if constexpr (requires { c->setText(text); })
            c->setText(text);
    c->setGeometry(place);
    return c;
}

QGroupBox* group(const char* name, const QString& title, QRect place, QWidget* parent) {
    auto* g = control<QGroupBox>(name, {}, place, parent);
    g->setTitle(title);
    return g;
}

} // namespace

int PortOf(const QString& text) {
    bool ok = false;
    const int port = text.toInt(&ok);
    return ok ? port : -1;
}

TfoOpcje::TfoOpcje(Prompts& prompts, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
    , prompts_(prompts) {
    setObjectName(QStringLiteral("foOpcje"));
    setWindowTitle(QStringLiteral("Opcje"));
    setFixedSize(440, 395);
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(11);
    setFont(font);

    auto* info = control<QLabel>("laInfo", QStringLiteral("Ustaw opcje programu"), {16, 12, 400, 20}, this);
    QFont big = font;
    big.setPixelSize(13);
    big.setBold(true);
    info->setFont(big);

    QGroupBox* gbGrafika = group("gbGrafika", QStringLiteral(" Wyświetlanie "), {16, 40, 408, 78}, this);
    control<QLabel>("laJakosc", QStringLiteral("Jakość skalowania podglądu obrazu"), {12, 20, 380, 16},
                    gbGrafika);
    rbJakoscNormalna = control<QRadioButton>("rbJakoscNormalna", QStringLiteral("normalna (szybciej)"),
                                             {12, 44, 180, 20}, gbGrafika);
    rbJakoscWysoka = control<QRadioButton>("rbJakoscWysoka", QStringLiteral("wysoka (wolniej)"),
                                           {200, 44, 180, 20}, gbGrafika);
    rbJakoscNormalna->setChecked(true);

    QGroupBox* gbProxy =
        group("gbProxy", QStringLiteral(" Ustawienia serwera proxy "), {16, 128, 408, 170}, this);
    cbProxyUse =
        control<QCheckBox>("cbProxyUse", QStringLiteral("Używaj serwera &proxy"), {12, 20, 380, 20}, gbProxy);
    eProxyServer = control<QLineEdit>("eProxyServer", {}, {12, 66, 250, 22}, gbProxy);
    eProxyPort = control<QLineEdit>("eProxyPort", {}, {276, 66, 118, 22}, gbProxy);
    eProxyUser = control<QLineEdit>("eProxyUser", {}, {12, 110, 180, 22}, gbProxy);
    eProxyPassword = control<QLineEdit>("eProxyPassword", {}, {204, 110, 190, 22}, gbProxy);
    // Each field is named by its own caption, and Alt with the caption's letter reaches it.
    control<QLabel>("laProxyServer", QStringLiteral("&Serwer"), {12, 50, 80, 16}, gbProxy)
        ->setBuddy(eProxyServer);
    control<QLabel>("laProxyPort", QStringLiteral("P&ort"), {276, 50, 80, 16}, gbProxy)->setBuddy(eProxyPort);
    control<QLabel>("laProxyUser", QStringLiteral("&Użytkownik"), {12, 94, 120, 16}, gbProxy)
        ->setBuddy(eProxyUser);
    control<QLabel>("laProxyPassword", QStringLiteral("&Hasło"), {204, 94, 120, 16}, gbProxy)
        ->setBuddy(eProxyPassword);
    showStarsFor(eProxyPassword);
    cbBasicAutentication = control<QCheckBox>(
        "cbBasicAutentication", QStringLiteral("&Autentykacja podstawowa"), {12, 140, 300, 20}, gbProxy);
    // The proxy controls take no Tab stop; their Alt letters reach them.
    for (QWidget* w : std::initializer_list<QWidget*>{cbProxyUse, eProxyServer, eProxyPort, eProxyUser,
                                                      eProxyPassword, cbBasicAutentication})
        w->setFocusPolicy(Qt::ClickFocus);

    QGroupBox* updates =
        group("GroupBox1", QStringLiteral(" Automatyczne aktualizacje "), {16, 306, 408, 44}, this);
    cbAutoUpdate = control<QCheckBox>(
        "cbAutoUpdate", QStringLiteral("Automatycznie sprawdzaj czy jest dostępna nowa wersja progarmu"),
        {12, 18, 390, 20}, updates);

    iOk = wordButton(QStringLiteral("iOk"), QStringLiteral("ok"), kOrange, {90, 26}, this);
    iOk->move(226, 358);
    iAnuluj = wordButton(QStringLiteral("iAnuluj"), QStringLiteral("anuluj"), kOrange, {90, 26}, this);
    iAnuluj->move(326, 358);

    connect(cbProxyUse, &QCheckBox::clicked, this, &TfoOpcje::ProxyUseChanged);
    connect(iOk, &WordPicture::clicked, this, &TfoOpcje::Ok);
    makeDefaultButton(iOk);
    connect(iAnuluj, &WordPicture::clicked, this, &QDialog::reject);
}

void TfoOpcje::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintWhiteFrame(p, size(), kOrange);
}

void TfoOpcje::Load(const core::Settings& s) {
    server_ = s.proxyServer;
    port_ = QString::number(s.proxyPort);
    user_ = s.proxyUsername;
    password_ = s.proxyPassword;
    basic_ = s.proxyBasicAuthentication;
    cbBasicAutentication->setChecked(s.proxyBasicAuthentication);
    cbProxyUse->setChecked(s.proxyUse);
    ProxyUseChanged();
    (s.viewQuality ? rbJakoscWysoka : rbJakoscNormalna)->setChecked(true);
    cbAutoUpdate->setChecked(s.autoUpdate);
}

void TfoOpcje::rememberFields() {
    server_ = eProxyServer->text();
    port_ = eProxyPort->text();
    user_ = eProxyUser->text();
    password_ = eProxyPassword->text();
}

void TfoOpcje::ProxyUseChanged() {
    const bool on = cbProxyUse->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{eProxyServer, eProxyPort, eProxyUser, eProxyPassword,
                                                      cbBasicAutentication})
        w->setEnabled(on);
    if (on) {
        eProxyServer->setText(server_);
        eProxyPort->setText(port_);
        eProxyUser->setText(user_);
        eProxyPassword->setText(password_);
        cbBasicAutentication->setChecked(basic_);
        return;
    }
    rememberFields();
    basic_ = cbBasicAutentication->isChecked();
    for (QLineEdit* e : {eProxyServer, eProxyPort, eProxyUser, eProxyPassword})
        e->clear();
    cbBasicAutentication->setChecked(false);
}

void TfoOpcje::Ok() {
    const int port = PortOf(eProxyPort->text());
    if (cbProxyUse->isChecked()) {
        if (port == -1) {
            prompts_.error(this, QStringLiteral("Niepoprawne dane w polu ustawień proxy: \"Port\""));
            eProxyPort->selectAll();
            eProxyPort->setFocus();
            return;
        }
        rememberFields();
    }
    accept();
}

bool TfoOpcje::Apply(core::Settings& s) const {
    s.proxyUse = cbProxyUse->isChecked();
    if (s.proxyUse) {
        s.proxyServer = server_;
        s.proxyPort = PortOf(port_);
        s.proxyUsername = user_;
        s.proxyPassword = password_;
        s.proxyBasicAuthentication = cbBasicAutentication->isChecked();
    }
    const bool quality = rbJakoscWysoka->isChecked();
    const bool changed = quality != s.viewQuality;
    s.viewQuality = quality;
    s.autoUpdate = cbAutoUpdate->isChecked();
    return changed;
}

} // namespace ui
