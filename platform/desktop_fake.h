// DesktopServices for tests: records every error box and every address
// handed to the browser instead of showing or opening anything. The
// launcher can be made to fail, as on a system without a browser.
#pragma once

#include "platform/desktop.h"

#include <functional>
#include <string>
#include <vector>

namespace pierqty {

class FakeDesktopServices final : public DesktopServices
{
public:
    std::vector<std::string> errors; // messages, in the order reported
    std::vector<std::string> openedUrls; // addresses, in the order handed over
    bool launcherWorks = true;
    // Runs while the "modal box" is up, e.g. to look at the window then.
    std::function<void(const std::string &)> onError;

    void reportError(const std::string &message) override
    {
        errors.push_back(message);
        if (onError)
            onError(message);
    }

    bool openUrl(const std::string &url) override
    {
        openedUrls.push_back(url);
        return launcherWorks;
    }
};

} // namespace pierqty
