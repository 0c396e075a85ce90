// Hdun, the calculator's one window: eleven parameter fields, the Calculate
// button, the S and V fields, the layer report, the link label and the
// dimensioned drawing of the pier. The report's context menu and Ctrl+S
// save the calculation sheet; the menu also copies the results.
#pragma once

#include "calc/parameters.h"
#include "platform/desktop.h"
#include "ui/form/form.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

#include <array>
#include <functional>
#include <string_view>

class QAction;
class QCoreApplication;
class QMenu;
class QSvgRenderer;
class QTranslator;

namespace pierqty {

class Hdun;

// The web page the link label opens.
inline constexpr std::string_view PromoPageAddress = form::kPromoPageAddress;

// Installs Qt's own Chinese texts (qtbase_zh_CN: the fields' context menu,
// the message box's buttons) from Qt's translations folder. Returns the
// installed translator, owned by app, or null when it is not installed.
QTranslator *InstallQtChineseTranslation(QCoreApplication &app);

// One element of the control array CS: a single-line text box that passes
// its GotFocus and KeyPress events, with its Index, to the window.
class FieldEdit final : public QLineEdit
{
public:
    FieldEdit(Hdun &window, int index, QWidget *parent);
    int index() const { return m_index; }

    // Marks an input whose text was not read as written, with a tooltip
    // giving the value used; the mark goes when the text changes.
    void markReading(const QString &toolTip);
    void clearReadingMark();

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    Hdun &m_window;
    int m_index;
    // The mouse gave the focus: the press that follows places the caret,
    // and the text is selected again once that press has been handled.
    bool m_selectAfterPress = false;
    bool m_marked = false;
};

// Label2: shows bold while a mouse button is held on it.
class LinkLabel final : public QLabel
{
public:
    LinkLabel(Hdun &window, QWidget *parent);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    Hdun &m_window;
};

// Picture1: the pier drawing inside a sunken 2 px border. Takes the focus
// but shows no mark and reacts to no key.
class PierPicture final : public QFrame
{
public:
    explicit PierPicture(QWidget *parent);
    ~PierPicture() override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QSvgRenderer *m_drawing;
};

class Hdun final : public QWidget
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

    // The Calculate command: reads CS(0)..CS(10), calculates and publishes
    // S, V and the report; on a fault publishes nothing and reports it.
    // Returns whether the calculation succeeded.
    bool calculateCommand();

    // 保存计算书…: calculates as the button does, asks where to save, writes
    // the sheet atomically and opens it. Returns whether it was saved and
    // handed to the browser; false when cancelled or on a fault.
    bool saveSheetCommand();
    // 复制结果: calculates as the button does and puts the tab-separated
    // results on the clipboard. Returns whether they were put there.
    bool copyResultsCommand();

    // The two commands, as the report's context menu and Ctrl+S offer them.
    QAction *saveSheetAction() const { return m_saveSheet; }
    QAction *copyResultsAction() const { return m_copyResults; }
    // Text1's context menu: the standard entries, a separator, then the two
    // commands. The caller owns it.
    QMenu *createText1ContextMenu(const QPoint &position);

    // Event handlers, shared by the elements of CS.
    void CS_GotFocus(int Index);
    void CS_KeyPress(int Index, int &KeyAscii);
    void Label2_MouseDown();
    void Label2_MouseUp();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void Form_Load();
    // Marks the inputs whose texts were not read as written.
    void showMarks();
    // Greys S, V and the report while they no longer match the inputs.
    void showStale();
    // An input's text changed: its mark goes, and the results may go stale.
    void fieldEdited(int index);
    // The widget of a control of the table.
    QWidget *widget(form::ControlRef ref) const;
    // The texts of CS(0)..CS(10), as typed.
    ParameterTexts inputTexts() const;
    // Runs a handler body; an exception becomes a reported run-time error.
    bool runHandler(const std::function<void()> &body);

    DesktopServices &m_services;
    std::array<FieldEdit *, kFieldCount> m_cs{};
    std::array<QLabel *, kFieldCount> m_label1{};
    QFrame *m_line1 = nullptr;
    QPushButton *m_command1 = nullptr;
    QPlainTextEdit *m_text1 = nullptr;
    LinkLabel *m_label2 = nullptr;
    PierPicture *m_picture1 = nullptr;
    QAction *m_saveSheet = nullptr;
    QAction *m_copyResults = nullptr;
    bool m_shown = false;
    form::FormState m_form; // marks and stale results
};

} // namespace pierqty
