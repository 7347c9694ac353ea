#include "ui/common/appresources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initPictures() {
    Q_INIT_RESOURCE(resources);
}

namespace ui {
void InitResources() {
    initPictures();
}
} // namespace ui
