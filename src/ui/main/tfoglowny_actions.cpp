#include "ui/main/tfoglowny_actions.h"

namespace ui {

namespace {

QString u8(const char* s) {
    return QString::fromUtf8(s);
}

ActionSpec spec(const char* name, const char* category, const char* caption, const char* hint = "",
                QList<QKeySequence> keys = {}, bool checkable = false) {
    return {u8(name), u8(category), u8(caption), u8(hint), std::move(keys), checkable};
}

// Actions without a menu entry carry their own name as caption.
ActionSpec named(const char* name, const char* category) {
    return spec(name, category, name);
}

QKeySequence ctrl(Qt::Key key) {
    return QKeySequence(Qt::CTRL | key);
}

} // namespace

const QList<ActionSpec>& actionSpecs() {
    static const QList<ActionSpec> specs = {
        named("aEdycjaKadrowanie", "Edycja"),
        spec("aEdycjaKreatorKadrowania", "Edycja", "Kreator kadrowania...", "", {ctrl(Qt::Key_K)}),
        spec("aPlikWybierzFolder", "Plik", "Wybierz folder...", "", {ctrl(Qt::Key_O)}),
        spec("aPlikWyslijPliki", "Plik", "Wyślij zdjęcia..."),
        spec("aPlikInfo", "Plik", "Szczegóły zdjęcia...", "", {ctrl(Qt::Key_I)}),
        spec("aPlikZakoncz", "Plik", "Zakończ", "", {QKeySequence(Qt::ALT | Qt::Key_F4)}),
        spec("aWidokIkony", "Widok", "Ikony", "", {}, true),
        spec("aWidokSzczegoly", "Widok", "Szczegóły", "", {}, true),
        // The plus key shares its key with "=" on most layouts; both spellings zoom in.
        spec("aWidokPowieksz", "Widok", "Powiększ", "Powiększ", {ctrl(Qt::Key_Equal), ctrl(Qt::Key_Plus)}),
        spec("aWidokPomniejsz", "Widok", "Pomniejsz", "Pomniejsz", {ctrl(Qt::Key_Minus)}),
        spec("aWidokLupa", "Widok", "aWidokLupa", "Powieksz (przytrzymaj klawisz Ctrl aby pomniejszyć)"),
        spec("aWidokDopasuj", "Widok", "Dopasuj do okna", "Dopasuj do okna", {ctrl(Qt::Key_0)}),
        spec("aPromocjeWyswietl", "Promocje", "Wyświetl..."),
        spec("aPomocJakDziala", "Pomoc", "Jak działa?"),
        spec("aPomocPomoc", "Pomoc", "Pomoc", "", {QKeySequence(Qt::Key_F1)}),
        spec("aPomocProgram", "Pomoc", "O programie..."),
        spec("aPomocPixvale", "Pomoc", "O Pixvale..."),
        spec("aPlikNastepny", "Plik", "Następny plik", "", {QKeySequence(Qt::Key_PageDown)}),
        spec("aPlikPoprzedni", "Plik", "Poprzedni plik", "", {QKeySequence(Qt::Key_PageUp)}),
        spec("aPlikZaznWszystkie", "Plik", "Zaznacz wszystkie"),
        spec("aPlikZaznZaden", "Plik", "Odznacz wszystkie"),
        spec("aPlikZaznOdwroc", "Plik", "Odwróć zaznaczenie"),
        spec("aWidokNormalny", "Widok", "Normalny (100%)", "Normalny (100%)",
             {QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_0)}),
        spec("aWidokNormalny_", "Widok", "aWidokNormalny_", "", {ctrl(Qt::Key_1)}),
        spec("aWidok200", "Widok", "Powiększony (200%)", "Powiększony (200%)", {ctrl(Qt::Key_2)}),
        spec("aWidok300", "Widok", "Powiększony (300%)", "Powiększony (300%)", {ctrl(Qt::Key_3)}),
        spec("aWidok400", "Widok", "Powiększony (400%)", "Powiększony (400%)", {ctrl(Qt::Key_4)}),
        spec("aWidokSortujZazn", "Widok", "Sortuj wg zaznaczenia", "", {}, true),
        spec("aWidokSortujNazwa", "Widok", "Sortuj wg nazwy", "", {}, true),
        spec("aWidokSortujRozmiar", "Widok", "Sortuj wg rozmiaru", "", {}, true),
        spec("aWidokSortujData", "Widok", "Sortuj wg daty", "", {}, true),
        spec("aPlikKopiujDo", "Plik", "Kopiuj do..."),
        spec("aPlikPrzeniesDo", "Plik", "Przenieś do..."),
        spec("aPlikUsun", "Plik", "Usuń"),
        spec("aPlikWlasciwosci", "Plik", "Właściwości"),
        spec("aWidokOdswiez", "Widok", "Odśwież", "", {QKeySequence(Qt::Key_F5)}),
        named("aEdycjaObrotL", "Edycja"),
        named("aEdycjaObrotP", "Edycja"),
        named("aEdycjaOczy", "Edycja"),
        named("aEdycjaBW", "Edycja"),
        named("aEdycjaSepia", "Edycja"),
        named("aEdycjaZapisz", "Edycja"),
        named("aEdycjaAnuluj", "Edycja"),
        named("aEdycjaKadrowanieZastosuj", "Edycja"),
        named("aEdycjaKadrowanieAnuluj", "Edycja"),
        named("aEdycjaBlurr", "Edycja"),
        named("aEdycjaSharpen", "Edycja"),
        named("aEdycjaBrightnessContrast", "Edycja"),
        named("aEdycjaHSL", "Edycja"),
        spec("aNarzedziaOpcje", "Narzedzia", "Opcje...", "", {ctrl(Qt::Key_U)}),
        spec("aNarzedziaSprawdzWersje", "Narzedzia", "Sprawdź czy jest nowa wersja"),
        spec("aPlikZapiszJako", "Plik", "Zapisz obraz jako...", "",
             {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)}),
        named("aEdycjaRedEyeZastosuj", "Edycja"),
        named("aEdycjaRedEyeAnuluj", "Edycja"),
    };
    return specs;
}

const QList<MenuSpec>& mainMenuSpecs() {
    static const QList<MenuSpec> menus = {
        {u8("miPlik"),
         u8("&Plik"),
         {u8("aPlikWybierzFolder"), u8(">Zaznacz pliki|miPlikZaznacz"), u8("aPlikZaznWszystkie"),
          u8("aPlikZaznZaden"), u8("-"), u8("aPlikZaznOdwroc"), u8("<"), u8("-"), u8("aPlikZapiszJako"),
          u8("-"), u8("aPlikInfo"), u8("aPlikWyslijPliki"), u8("-"), u8("aPlikZakoncz")}},
        {u8("miEdycja"), u8("&Edycja"), {}, false},
        {u8("miNarzedzia"),
         u8("&Narzędzia"),
         {u8("aEdycjaKreatorKadrowania"), u8("aNarzedziaSprawdzWersje"), u8("-"), u8("aNarzedziaOpcje")}},
        {u8("miWidok"),
         u8("&Widok"),
         {u8("aWidokIkony"), u8("aWidokSzczegoly"), u8("-"), u8("aWidokPowieksz"), u8("aWidokPomniejsz"),
          u8("aWidokDopasuj"), u8("aWidokNormalny"), u8("aWidok200"), u8("aWidok300"), u8("aWidok400")}},
        {u8("miPromocje"), u8("P&romocje"), {u8("aPromocjeWyswietl")}},
        {u8("miPomoc"),
         u8("Pomo&c"),
         {u8("aPomocJakDziala"), u8("aPomocPomoc"), u8("-"), u8("aPomocProgram"), u8("aPomocPixvale")}},
    };
    return menus;
}

const MenuSpec& browserMenuSpec() {
    static const MenuSpec menu = {u8("pmPliki"),
                                  {},
                                  {u8(">Widok|miPlikiWidok"), u8("aWidokIkony"), u8("aWidokSzczegoly"),
                                   u8("<"), u8("-"), u8("aPlikZapiszJako"), u8("-"), u8("aPlikKopiujDo"),
                                   u8("aPlikPrzeniesDo"), u8("aPlikUsun"), u8("-"), u8("aPlikWlasciwosci")}};
    return menu;
}

const MenuSpec& viewerMenuSpec() {
    static const MenuSpec menu = {u8("pmObraz"),
                                  {},
                                  {u8(">Widok|miObrazWidok"), u8("aWidokPowieksz"), u8("aWidokPomniejsz"),
                                   u8("aWidokNormalny"), u8("aWidokDopasuj"), u8("aWidok200"),
                                   u8("aWidok300"), u8("aWidok400"), u8("<")}};
    return menu;
}

const QList<MenuEntrySpec>& editMenuEntries() {
    const auto entry = [](const char* name, const char* caption, QKeySequence key = {}) {
        return MenuEntrySpec{u8(name), u8(caption), key};
    };
    const auto shift = [](Qt::Key key) { return QKeySequence(Qt::CTRL | Qt::SHIFT | key); };
    static const QList<MenuEntrySpec> entries = {
        entry("", ""),
        entry("aEdycjaObrotL", "Obróć w lewo", ctrl(Qt::Key_L)),
        entry("aEdycjaObrotP", "Obróć w prawo", ctrl(Qt::Key_R)),
        entry("aEdycjaKadrowanie", "Kadruj zdjęcie", shift(Qt::Key_K)),
        entry("aEdycjaKadrowanieZastosuj", "Zatwierdź kadrowanie", shift(Qt::Key_Return)),
        entry("aEdycjaOczy", "Redukuj efekt czerwonych oczu", ctrl(Qt::Key_E)),
        entry("", ""),
        entry("aEdycjaBW", "Czarno-biały", shift(Qt::Key_B)),
        entry("aEdycjaSepia", "Sepia", shift(Qt::Key_P)),
        entry("aEdycjaBlurr", "Rozmyj", shift(Qt::Key_R)),
        entry("aEdycjaSharpen", "Wyostrz", shift(Qt::Key_W)),
        entry("", ""),
        entry("aEdycjaBrightnessContrast", "Jasność i kontrast...", shift(Qt::Key_J)),
        entry("aEdycjaHSL", "Barwa, nasycenie i jasność...", shift(Qt::Key_H)),
        entry("", ""),
        entry("aEdycjaZapisz", "Zapisz wszystkie zmiany", ctrl(Qt::Key_S)),
        entry("aEdycjaAnuluj", "Odwołaj wszystkie zmiany"),
    };
    return entries;
}

bool isPreviewedKey(const QKeySequence& key) {
    return key == QKeySequence(Qt::Key_PageDown) || key == QKeySequence(Qt::Key_PageUp);
}

} // namespace ui
