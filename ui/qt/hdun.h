// Hdun, the calculator's one window: eleven parameter fields, the Calculate
// button, the S and V fields, the layer report, the link label and the
// dimensioned drawing of the pier. The report's context menu and Ctrl+S
// save the calculation sheet; the menu also exports the workbook and copies
// the results.
#pragma once

#include "calc/parameters.h"
#include "platform/desktop.h"
#include "ui/form/controller.h"
#include "ui/form/form.h"
#include "ui/qt/controls.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QAction;
class QCoreApplication;
class QMenu;
class QTranslator;

namespace pierqty {

// Installs Qt's own Chinese texts (qtbase_zh_CN: the fields' context menu,
// the message box's buttons) from Qt's translations folder. Returns the
// installed translator, owned by app, or null when it is not installed.
QTranslator *InstallQtChineseTranslation(QCoreApplication &app);

// The window: creates its controls from the form's table, forwards their
// events to the form's controller and shows what it says.
class Hdun final : public QWidget, private form::View
{
public:
    static constexpr int kFieldCount = form::kFieldCount;
    static constexpr int kClientWidth = form::kClientWidthTwips / 15; // pixels at 96 dpi
    static constexpr int kClientHeight = form::kClientHeightTwips / 15;

    // services: error reports, the URL handler, the save dialog and the
    // clipboard; must outlive the window.
    explicit Hdun(DesktopServices &services, QWidget *parent = nullptr);

    // Control-array lookup; throws std::out_of_range for an index without
    // an element, like the forms runtime's lookup.
    FieldEdit *CS(int index) const;
    QLabel *Label1(int index) const;
    QFrame *Line1() const { return m_line1; }
    QPushButton *Command1() const { return m_command1; }
    QPlainTextEdit *Text1() const { return m_text1; }
    LinkLabel *Label2() const { return m_label2; }
    PierPicture *Picture1() const { return m_picture1; }
    // The widget of any control of the table.
    QWidget *widget(form::ControlRef ref) const;

    // The commands (ui/form/controller.h): whether each succeeded.
    bool calculateCommand() { return m_controller.calculate(); }
    bool saveSheetCommand() { return m_controller.saveSheet(); }
    bool copyResultsCommand() { return m_controller.copyResults(); }
    bool exportWorkbookCommand() { return m_controller.exportWorkbook(); }

    // The commands, as the report's context menu and Ctrl+S offer them.
    QAction *saveSheetAction() const { return m_saveSheet; }
    QAction *copyResultsAction() const { return m_copyResults; }
    QAction *exportWorkbookAction() const { return m_exportWorkbook; }
    QAction *addToBridgeAction() const { return m_addToBridge; }
    // The commands' controller, for the program to link the bridge window.
    form::Controller &controller() { return m_controller; }
    // 加入桥梁汇总's question for the 墩号, unless replaced (e.g. by a test).
    std::function<std::optional<std::string>(const std::string &suggested)> askPierIdHook;
    // Text1's context menu: the standard entries, a separator, then save,
    // export and copy. The caller owns it.
    QMenu *createText1ContextMenu(const QPoint &position);

    // Event handlers, shared by the elements of CS.
    void CS_GotFocus(int Index);
    void CS_KeyPress(int Index, int &KeyAscii) { m_controller.CS_KeyPress(Index, KeyAscii); }
    void Label2_MouseDown();
    void Label2_MouseUp();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void createColumn();
    void createReport();
    void createLink();
    void followTabOrder();
    template<class Widget>
    Widget *place(Widget *widget, form::ControlRef ref);

    std::string controlText(form::ControlRef ref) const override;
    void setControlText(form::ControlRef ref, const std::string &text) override;
    void moveFocus(form::ControlRef ref) override;
    // In hdun_results.cpp: the marks' and results' colours and tooltips.
    void showMark(int index, const std::optional<form::Mark> &mark) override;
    void showResultState(form::ResultState state) override;
    // The title block's dialog (title_dialog.cpp).
    bool editTitleBlock(form::TitleValues &values) override;
    std::optional<std::string> askPierId(const std::string &suggested) override;
    DesktopServices &desktop() override { return m_services; }
    std::string launchTarget(const std::string &path) const override;

    DesktopServices &m_services;
    std::vector<QWidget *> m_controls; // by form::Slot
    QFrame *m_line1 = nullptr;
    QPushButton *m_command1 = nullptr;
    QPlainTextEdit *m_text1 = nullptr;
    LinkLabel *m_label2 = nullptr;
    PierPicture *m_picture1 = nullptr;
    QAction *m_saveSheet = nullptr;
    QAction *m_copyResults = nullptr;
    QAction *m_exportWorkbook = nullptr;
    QAction *m_addToBridge = nullptr;
    bool m_shown = false;
    form::Controller m_controller{*this};
};

} // namespace pierqty
