#include "ui/UiResources.h"

#include <QtGlobal>

static void initFlowsmithResources() {
    Q_INIT_RESOURCE(flowsmith);
}

void UiResources::init() {
    static const bool once = (initFlowsmithResources(), true);
    Q_UNUSED(once);
}
