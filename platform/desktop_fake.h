// DesktopServices for tests: records every error and information box, every
// address handed to the browser, every save dialog and every clipboard text
// instead of showing or opening anything, and keeps settings in memory. The launcher can be made to fail, as on a
// system without a browser; the save dialog answers with a path set by the
// test, or is cancelled.
#pragma once

#include "platform/desktop.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace pierqty {

class FakeDesktopServices final : public DesktopServices
{
public:
    std::vector<std::string> errors; // messages, in the order reported
    std::vector<std::string> informations; // information boxes, in order
    std::vector<std::string> openedUrls; // addresses, in the order handed over
    bool launcherWorks = true;
    // Runs while the "modal box" is up, e.g. to look at the window then.
    std::function<void(const std::string &)> onError;

    std::vector<SaveFileRequest> saveRequests; // every save dialog, in order
    std::optional<std::string> savePath; // the answer; nothing = cancelled

    std::vector<SaveFileRequest> openRequests; // every open dialog, in order
    std::optional<std::string> openPath; // the answer; nothing = cancelled
    std::vector<std::string> folderRequests; // every folder dialog's title
    std::optional<std::string> folderPath; // the answer; nothing = cancelled

    std::vector<std::string> clipboardTexts; // every text put on the clipboard
    bool clipboardWorks = true;
    std::string clipboard; // what clipboardText() answers

    std::map<std::string, std::string> settings; // this user's, by name
    std::string folder; // what programFolder() answers

    void reportError(const std::string &message) override
    {
        errors.push_back(message);
        if (onError)
            onError(message);
    }

    void reportInformation(const std::string &message) override { informations.push_back(message); }

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

    std::optional<std::string> chooseOpenFile(const SaveFileRequest &request) override
    {
        openRequests.push_back(request);
        return openPath;
    }

    std::optional<std::string> chooseFolder(const std::string &title) override
    {
        folderRequests.push_back(title);
        return folderPath;
    }

    std::string clipboardText() override { return clipboard; }

    bool setClipboardText(const std::string &text) override
    {
        if (!clipboardWorks)
            return false;
        clipboardTexts.push_back(text);
        return true;
    }

    std::optional<std::string> setting(const std::string &name) override
    {
        const auto found = settings.find(name);
        return found == settings.end() ? std::nullopt : std::optional<std::string>(found->second);
    }
    void storeSetting(const std::string &name, const std::string &value) override { settings[name] = value; }
    std::string programFolder() override { return folder; }
};

} // namespace pierqty
