// The drawing and the icon, compiled into the program as Qt resources.
#pragma once

#include <QString>

namespace pierqty {

// Resource paths; the first call registers the resources.
QString PierDrawingPath();
QString AppIconPath();

} // namespace pierqty
