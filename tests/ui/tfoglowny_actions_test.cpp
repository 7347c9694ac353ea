#include "uitestsupport.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {

struct Row {
    const char* name;
    const char* category;
    const char* caption;
    const char* shortcut; // portable text of the first shortcut
    const char* hint;
};

const Row kActions[] = {
    {"aEdycjaKadrowanie", "Edycja", "aEdycjaKadrowanie", "", ""},
    {"aEdycjaKreatorKadrowania", "Edycja", "Kreator kadrowania...", "Ctrl+K", ""},
    {"aPlikWybierzFolder", "Plik", "Wybierz folder...", "Ctrl+O", ""},
    {"aPlikWyslijPliki", "Plik", "Wyślij zdjęcia...", "", ""},
    {"aPlikInfo", "Plik", "Szczegóły zdjęcia...", "Ctrl+I", ""},
    {"aPlikZakoncz", "Plik", "Zakończ", "Alt+F4", ""},
    {"aWidokIkony", "Widok", "Ikony", "", ""},
    {"aWidokSzczegoly", "Widok", "Szczegóły", "", ""},
    {"aWidokPowieksz", "Widok", "Powiększ", "Ctrl+=", "Powiększ"},
    {"aWidokPomniejsz", "Widok", "Pomniejsz", "Ctrl+-", "Pomniejsz"},
    {"aWidokLupa", "Widok", "aWidokLupa", "", "Powieksz (przytrzymaj klawisz Ctrl aby pomniejszyć)"},
    {"aWidokDopasuj", "Widok", "Dopasuj do okna", "Ctrl+0", "Dopasuj do okna"},
    {"aPromocjeWyswietl", "Promocje", "Wyświetl...", "", ""},
    {"aPomocJakDziala", "Pomoc", "Jak działa?", "", ""},
    {"aPomocPomoc", "Pomoc", "Pomoc", "F1", ""},
    {"aPomocProgram", "Pomoc", "O programie...", "", ""},
    {"aPomocPixvale", "Pomoc", "O Pixvale...", "", ""},
    {"aPlikNastepny", "Plik", "Następny plik", "PgDown", ""},
    {"aPlikPoprzedni", "Plik", "Poprzedni plik", "PgUp", ""},
    {"aPlikZaznWszystkie", "Plik", "Zaznacz wszystkie", "", ""},
    {"aPlikZaznZaden", "Plik", "Odznacz wszystkie", "", ""},
    {"aPlikZaznOdwroc", "Plik", "Odwróć zaznaczenie", "", ""},
    {"aWidokNormalny", "Widok", "Normalny (100%)", "Ctrl+Alt+0", "Normalny (100%)"},
    {"aWidokNormalny_", "Widok", "aWidokNormalny_", "Ctrl+1", ""},
    {"aWidok200", "Widok", "Powiększony (200%)", "Ctrl+2", "Powiększony (200%)"},
    {"aWidok300", "Widok", "Powiększony (300%)", "Ctrl+3", "Powiększony (300%)"},
    {"aWidok400", "Widok", "Powiększony (400%)", "Ctrl+4", "Powiększony (400%)"},
    {"aWidokSortujZazn", "Widok", "Sortuj wg zaznaczenia", "", ""},
    {"aWidokSortujNazwa", "Widok", "Sortuj wg nazwy", "", ""},
    {"aWidokSortujRozmiar", "Widok", "Sortuj wg rozmiaru", "", ""},
    {"aWidokSortujData", "Widok", "Sortuj wg daty", "", ""},
    {"aPlikKopiujDo", "Plik", "Kopiuj do...", "", ""},
    {"aPlikPrzeniesDo", "Plik", "Przenieś do...", "", ""},
    {"aPlikUsun", "Plik", "Usuń", "", ""},
    {"aPlikWlasciwosci", "Plik", "Właściwości", "", ""},
    {"aWidokOdswiez", "Widok", "Odśwież", "F5", ""},
    {"aEdycjaObrotL", "Edycja", "aEdycjaObrotL", "", ""},
    {"aEdycjaObrotP", "Edycja", "aEdycjaObrotP", "", ""},
    {"aEdycjaOczy", "Edycja", "aEdycjaOczy", "", ""},
    {"aEdycjaBW", "Edycja", "aEdycjaBW", "", ""},
    {"aEdycjaSepia", "Edycja", "aEdycjaSepia", "", ""},
    {"aEdycjaZapisz", "Edycja", "aEdycjaZapisz", "", ""},
    {"aEdycjaAnuluj", "Edycja", "aEdycjaAnuluj", "", ""},
    {"aEdycjaKadrowanieZastosuj", "Edycja", "aEdycjaKadrowanieZastosuj", "", ""},
    {"aEdycjaKadrowanieAnuluj", "Edycja", "aEdycjaKadrowanieAnuluj", "", ""},
    {"aEdycjaBlurr", "Edycja", "aEdycjaBlurr", "", ""},
    {"aEdycjaSharpen", "Edycja", "aEdycjaSharpen", "", ""},
    {"aEdycjaBrightnessContrast", "Edycja", "aEdycjaBrightnessContrast", "", ""},
    {"aEdycjaHSL", "Edycja", "aEdycjaHSL", "", ""},
    {"aNarzedziaOpcje", "Narzedzia", "Opcje...", "Ctrl+U", ""},
    {"aNarzedziaSprawdzWersje", "Narzedzia", "Sprawdź czy jest nowa wersja", "", ""},
    {"aPlikZapiszJako", "Plik", "Zapisz obraz jako...", "Ctrl+Shift+S", ""},
    {"aEdycjaRedEyeZastosuj", "Edycja", "aEdycjaRedEyeZastosuj", "", ""},
    {"aEdycjaRedEyeAnuluj", "Edycja", "aEdycjaRedEyeAnuluj", "", ""},
};

// A menu written as text: captions of actions, "-" for separators, "[Caption: ...]" for submenus.
QString describe(const QMenu* menu) {
    QStringList parts;
    for (QAction* a : menu->actions()) {
        if (a->isSeparator())
            parts << QStringLiteral("-");
        else if (a->menu())
            parts << QStringLiteral("[") + a->text() + QStringLiteral(": ") + describe(a->menu()) +
                         QStringLiteral("]");
        else
            parts << a->objectName();
    }
    return parts.join(QStringLiteral(", "));
}

class ActionTable : public ::testing::Test {
protected:
    void SetUp() override { h.build(); }
    uitest::Harness h;
};

TEST_F(ActionTable, EveryActionInOrderWithCategoryCaptionShortcutAndHint) {
    // Only the wizard starts disabled; only view and sort actions carry check marks.
    const QStringList checkable = {"aWidokIkony",       "aWidokSzczegoly",     "aWidokSortujZazn",
                                   "aWidokSortujNazwa", "aWidokSortujRozmiar", "aWidokSortujData"};
    const QList<QAction*>& actions = h.window->alAkcje();
    ASSERT_EQ(actions.size(), static_cast<qsizetype>(std::size(kActions)));
    for (qsizetype i = 0; i < actions.size(); ++i) {
        const Row& row = kActions[i];
        QAction* a = actions[i];
        SCOPED_TRACE(row.name);
        EXPECT_EQ(a->objectName(), QString::fromUtf8(row.name));
        EXPECT_EQ(a->property("category").toString(), QString::fromUtf8(row.category));
        EXPECT_EQ(a->text(), QString::fromUtf8(row.caption));
        EXPECT_EQ(a->shortcut().toString(QKeySequence::PortableText), QString::fromUtf8(row.shortcut));
        if (*row.hint) {
            EXPECT_EQ(a->toolTip(), QString::fromUtf8(row.hint));
        }
        EXPECT_EQ(h.window->action(QString::fromUtf8(row.name)), a);
        EXPECT_EQ(h.window->findChild<QAction*>(QString::fromUtf8(row.name)), a);
        EXPECT_EQ(a->isEnabled(), a->objectName() != QStringLiteral("aEdycjaKreatorKadrowania"));
        EXPECT_EQ(a->isCheckable(), checkable.contains(a->objectName()));
    }
    // Zoom in also answers the plus key.
    EXPECT_TRUE(h.window->action(QStringLiteral("aWidokPowieksz"))
                    ->shortcuts()
                    .contains(QKeySequence(Qt::CTRL | Qt::Key_Plus)));
}

TEST_F(ActionTable, MainMenuAndContextMenus) {
    struct Menu {
        const char* caption;
        bool visible;
        const char* entries;
    };
    const Menu expected[] = {
        {"&Plik", true,
         "aPlikWybierzFolder, [Zaznacz pliki: aPlikZaznWszystkie, aPlikZaznZaden, -, aPlikZaznOdwroc], -, "
         "aPlikZapiszJako, -, aPlikInfo, aPlikWyslijPliki, -, aPlikZakoncz"},
        {"&Edycja", true,
         "aEdycjaCofnij, aEdycjaPonow, -, miEdycjaObrotL, miEdycjaObrotP, miEdycjaKadrowanie, "
         "miEdycjaKadrowanieZastosuj, miEdycjaOczy, -, miEdycjaBW, miEdycjaSepia, miEdycjaBlurr, "
         "miEdycjaSharpen, "
         "-, miEdycjaBrightnessContrast, miEdycjaHSL, -, miEdycjaZapisz, miEdycjaAnuluj"},
        {"&Narzędzia", true, "aEdycjaKreatorKadrowania, aNarzedziaSprawdzWersje, -, aNarzedziaOpcje"},
        {"&Widok", true,
         "aWidokIkony, aWidokSzczegoly, -, aWidokPowieksz, aWidokPomniejsz, aWidokDopasuj, aWidokNormalny, "
         "aWidok200, aWidok300, aWidok400"},
        {"P&romocje", true, "aPromocjeWyswietl"},
        {"Pomo&c", true, "aPomocJakDziala, aPomocPomoc, -, aPomocProgram, aPomocPixvale"},
    };
    const QList<QAction*> top = h.window->menuBar()->actions();
    ASSERT_EQ(top.size(), static_cast<qsizetype>(std::size(expected)));
    EXPECT_EQ(h.window->menuBar()->objectName(), QStringLiteral("mmMenu"));
    for (qsizetype i = 0; i < top.size(); ++i) {
        SCOPED_TRACE(expected[i].caption);
        EXPECT_EQ(top[i]->text(), QString::fromUtf8(expected[i].caption));
        EXPECT_EQ(top[i]->isVisible(), expected[i].visible);
        ASSERT_NE(top[i]->menu(), nullptr);
        EXPECT_EQ(describe(top[i]->menu()), QString::fromUtf8(expected[i].entries));
    }
    EXPECT_EQ(describe(h.window->pmPliki),
              QStringLiteral("[Widok: aWidokIkony, aWidokSzczegoly], -, aPlikZapiszJako, -, aPlikKopiujDo, "
                             "aPlikPrzeniesDo, aPlikUsun, -, aPlikWlasciwosci"));
    EXPECT_EQ(
        describe(h.window->pmObraz),
        QStringLiteral("[Widok: aWidokPowieksz, aWidokPomniejsz, aWidokNormalny, aWidokDopasuj, aWidok200, "
                       "aWidok300, aWidok400], [Edycja: aEdycjaCofnij, aEdycjaPonow]"));
}

} // namespace
