// The window's commands, once for both front-ends: Form_Load, Calculate,
// Enter in a field, a field's text changed, the link, and the report menu's
// save, export and copy, each behind the handler that turns an unexpected error into
// the run-time error box. A window implements View and forwards its events
// to a Controller; the Controller reads and writes the window through View
// only.
#pragma once

#include "calc/parameters.h"
#include "platform/desktop.h"
#include "ui/form/bridge.h"
#include "ui/form/form.h"
#include "ui/form/title_block.h"

#include <array>
#include <functional>
#include <optional>
#include <string>

namespace pierqty::form {

// What the commands need of a window. Texts are UTF-8; a text box's line
// breaks are CR LF.
class View
{
public:
    virtual ~View() = default;
    // The whole text of a text box (CS or Text1).
    virtual std::string controlText(ControlRef ref) const = 0;
    // Replaces the whole text of a text box; a result field then shows the
    // start of its text. The window may report it as changed.
    virtual void setControlText(ControlRef ref, const std::string &text) = 0;
    virtual void moveFocus(ControlRef ref) = 0;
    // Marks CS(index) in the colour of the mark's kind (MarkBackground) with
    // its tooltip, or clears its mark (nullopt).
    virtual void showMark(int index, const std::optional<Mark> &mark) = 0;
    // Shows S, V and the report as current; greys all three with the stale
    // tooltip; or gives S and V the no-quantities colours and tooltip.
    virtual void showResultState(ResultState state) = 0;
    // The title block's dialog: one box a TitleFields() entry, filled with
    // values; on OK values holds what the user left there and the result is
    // true, on Cancel false.
    virtual bool editTitleBlock(TitleValues &values) = 0;
    // 加入桥梁汇总's question for the new row's 墩号, offering suggested:
    // the 墩号 typed, or nothing on Cancel.
    virtual std::optional<std::string> askPierId(const std::string &suggested) = 0;
    // Error box, URL handler, save dialog and clipboard.
    virtual DesktopServices &desktop() = 0;
    // What the URL handler opens for a saved file: a file:// URL, or the
    // path itself where the shell opens paths.
    virtual std::string launchTarget(const std::string &path) const = 0;
};

class Controller
{
public:
    explicit Controller(View &view) : m_view(view) { }

    // The default texts into CS(0)..CS(kInputCount - 1).
    void Form_Load();
    // Command1: reads the inputs, marks them, writes S, V and the report;
    // on a fault writes nothing and shows the error box. Whether it
    // succeeded.
    bool calculate();
    // 保存计算书…, 导出 Excel… and 复制结果: calculate as the button does,
    // then save the sheet of the texts on screen (after the title block's
    // dialog, whose values are remembered on OK), export its workbook or
    // copy its results. Whether it was done.
    bool saveSheet();
    bool exportWorkbook();
    bool copyResults();
    // A key typed in CS(Index); Enter (13) is cancelled (KeyAscii becomes
    // 0) and takes the step EnterIn says.
    void CS_KeyPress(int Index, int &KeyAscii);
    // The window says CS(index)'s text changed. Only a text that differs
    // from the one last calculated clears the field's mark and greys the
    // results: an edit control may report a change that left the text as it
    // was (and once a field differs, further edits change nothing more).
    void CS_Change(int index);
    // Label2 released over itself: opens the web page.
    void Label2_Click();

    // 加入桥梁汇总 (Ctrl+B): the eleven texts on screen, as typed, become a
    // new last row of the bridge window, under the 墩号 the user gives.
    // Nothing happens while no bridge is linked.
    void addToBridge();
    // Shows the bridge window and gives its model (set by the program).
    std::function<bridge::BridgeModel &()> openBridge;
    // A pier's texts from the bridge window into CS(0)..CS(10), then
    // Calculate; whether it succeeded.
    bool loadTexts(const ParameterTexts &texts);

    const FormState &state() const { return m_state; }

    // Runs a handler's body; an exception becomes the run-time error box.
    void run(const std::function<void()> &body);

private:
    ParameterTexts inputTexts();
    void showMarks();
    std::string launchTarget(const std::string &path) const { return m_view.launchTarget(path); }

    View &m_view;
    FormState m_state;
    // Each input's text when last read for a calculation.
    std::array<std::string, kInputCount> m_calculated{};
};

} // namespace pierqty::form
