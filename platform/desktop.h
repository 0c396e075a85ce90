// What the window needs from the desktop beyond its own controls: telling
// the user of an error, and handing a web address to the browser. Behind
// one small interface so that tests can stand in for both.
#pragma once

#include <string>

namespace pierqty {

class DesktopServices
{
public:
    virtual ~DesktopServices() = default;
    // Shows a modal error message (UTF-8) and returns when it is dismissed.
    virtual void reportError(const std::string &message) = 0;
    // Starts the desktop's handler for a URL without waiting for it; false
    // when no handler could be started.
    virtual bool openUrl(const std::string &url) = 0;
};

} // namespace pierqty
