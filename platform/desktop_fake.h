// DesktopServices for tests: records every error box, every address handed
// to the browser, every save dialog and every clipboard text instead of
// showing or opening anything. The launcher can be made to fail, as on a
// system without a browser; the save dialog answers with a path set by the
// test, or is cancelled.
#pragma once

#include "platform/desktop.h"

#include <functional>
#include <optional>
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

    std::vector<SaveFileRequest> saveRequests; // every save dialog, in order
    std::optional<std::string> savePath; // the answer; nothing = cancelled

    std::vector<std::string> clipboardTexts; // every text put on the clipboard
    bool clipboardWorks = true;

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

    std::optional<std::string> chooseSaveFile(const SaveFileRequest &request) override
    {
        saveRequests.push_back(request);
        return savePath;
    }

    bool setClipboardText(const std::string &text) override
    {
        if (!clipboardWorks)
            return false;
        clipboardTexts.push_back(text);
        return true;
    }
};

} // namespace pierqty
