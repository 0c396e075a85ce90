// What a window needs from the desktop beyond its own controls: telling the
// user of an error or of a fact, handing a web address to the browser,
// asking where to save a file, putting text on the clipboard, remembering a
// few named strings for the user, and the program's own folder. Behind one small
// interface so that tests can stand in for all of them.
#pragma once

#include <optional>
#include <string>

namespace pierqty {

// What a save dialog offers: the dialog starts in the user's documents
// folder with suggestedName filled in, and lists one kind of file.
struct SaveFileRequest {
    std::string title; // the dialog's caption (UTF-8)
    std::string suggestedName; // a file name only, e.g. "计算书-20260105-0930.html"
    std::string kindName; // the kind of file, e.g. "计算书（HTML）"
    std::string extension; // without the dot, e.g. "html"; added when the user types none
};

class DesktopServices
{
public:
    virtual ~DesktopServices() = default;
    // Shows a modal error message (UTF-8) and returns when it is dismissed.
    virtual void reportError(const std::string &message) = 0;
    // Shows a modal information message (UTF-8): something the user should
    // know that went as well as it could, e.g. a file saved but not opened.
    virtual void reportInformation(const std::string &message) = 0;
    // Starts the desktop's handler for a URL without waiting for it; false
    // when no handler could be started.
    virtual bool openUrl(const std::string &url) = 0;
    // Asks the user where to save; the chosen absolute path (UTF-8), or
    // nothing when the dialog was cancelled. Nothing is written here.
    virtual std::optional<std::string> chooseSaveFile(const SaveFileRequest &request) = 0;
    // Asks the user for a file to open: its absolute path (UTF-8), or
    // nothing when cancelled. request.suggestedName is unused.
    virtual std::optional<std::string> chooseOpenFile(const SaveFileRequest &request) = 0;
    // Asks the user for a folder (title: the dialog's caption): its absolute
    // path (UTF-8), or nothing when cancelled.
    virtual std::optional<std::string> chooseFolder(const std::string &title) = 0;
    // Replaces the clipboard's text with text (UTF-8); false when the
    // clipboard could not be set.
    virtual bool setClipboardText(const std::string &text) = 0;
    // The clipboard's text (UTF-8), empty when it holds none.
    virtual std::string clipboardText() = 0;
    // A string remembered for this user under name ("group/key"), or nothing
    // when none is stored; storeSetting remembers one (UTF-8 both).
    virtual std::optional<std::string> setting(const std::string &name) = 0;
    virtual void storeSetting(const std::string &name, const std::string &value) = 0;
    // The folder of the running program (UTF-8), or empty when unknown.
    virtual std::string programFolder() = 0;
};

} // namespace pierqty
