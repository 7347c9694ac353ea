#include "uitestsupport.h"

#include "ui/common/appresources.h"

namespace uitest {

Harness::Harness() {
    ui::InitResources();
}

Harness::~Harness() {
    close();
}

void Harness::build() {
    store = std::make_unique<core::SettingsStore>(path(QStringLiteral("store.ini")));
    window = std::make_unique<ui::TfoGlowny>(
        ui::TfoGlowny::Services{&prompts, &shell, store.get(), path(QStringLiteral("settings"))});
}

void Harness::close() {
    if (window)
        window->close();
    window.reset();
    store.reset();
}

} // namespace uitest
