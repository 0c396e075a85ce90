// The window's own kinds of control on Qt: the text boxes of CS with the
// forms runtime's GotFocus and KeyPress, the link label and the drawing.
#pragma once

#include "ui/form/form.h"

#include <QColor>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QString>

#include <string_view>

class QSvgRenderer;

namespace pierqty {

class Hdun;

inline QString Utf8Text(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// What the desktop's URL handler opens for a saved file: its file:// URL.
std::string FileUrl(const std::string &path);

inline QColor ToQColor(form::Colour colour)
{
    return {colour.red, colour.green, colour.blue};
}

// One element of the control array CS: a single-line text box that passes
// its GotFocus and KeyPress events, with its Index, to the window.
class FieldEdit final : public QLineEdit
{
public:
    FieldEdit(Hdun &window, int index, QWidget *parent);
    int index() const { return m_index; }

    // Marks an input (not read as written, or making the pier impossible)
    // with a background colour and a tooltip saying why; the mark goes when
    // the text changes.
    void markReading(const QString &toolTip, const QColor &background);
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

} // namespace pierqty
