#include "ui/assets/assets.h"

#include <QtGlobal>

// Resources in a static library must be registered by name, outside any namespace.
static void RegisterAssets()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(assets);
        return true;
    }();
    (void)registered;
}

namespace pierqty {

QString PierDrawingPath()
{
    RegisterAssets();
    return QStringLiteral(":/pierqty/pier.svg");
}

QString AppIconPath()
{
    RegisterAssets();
    return QStringLiteral(":/pierqty/pierqty.svg");
}

} // namespace pierqty
