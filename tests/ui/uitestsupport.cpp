#include "uitestsupport.h"

#include "ui/common/appresources.h"

namespace uitest {

Harness::Harness() {
    ui::InitResources();
}

Harness::~Harness() = default;

void Harness::build() {
    window = std::make_unique<ui::TfoGlowny>(ui::TfoGlowny::Services{&prompts, &shell});
}

} // namespace uitest
