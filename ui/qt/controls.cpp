#include "ui/qt/controls.h"

#include "ui/assets/assets.h"
#include "ui/qt/hdun.h"

#include <QDir>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>
#include <QTimer>
#include <QUrl>

namespace pierqty {

namespace {

const QColor kMarkText = ToQColor(form::kMarkText);

} // namespace

FieldEdit::FieldEdit(Hdun &window, int index, QWidget *parent) : QLineEdit(parent), m_window(window), m_index(index) { }

void FieldEdit::markReading(const QString &toolTip, const QColor &background)
{
    QPalette marked = palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        marked.setColor(group, QPalette::Base, background);
        marked.setColor(group, QPalette::Text, kMarkText);
    }
    setPalette(marked);
    setToolTip(toolTip);
    m_marked = true;
}

void FieldEdit::clearReadingMark()
{
    if (!m_marked)
        return;
    m_marked = false;
    setPalette(QPalette()); // back to the window's own colours
    setToolTip(QString());
}

void FieldEdit::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    m_window.CS_GotFocus(m_index);
    // Only a mouse press moves the caret after GotFocus has selected. Tab,
    // Enter and the program leave the selection alone, and keys typed right
    // after them must land in it, not be replaced by a later select.
    m_selectAfterPress = event->reason() == Qt::MouseFocusReason;
}

void FieldEdit::focusOutEvent(QFocusEvent *event)
{
    m_selectAfterPress = false;
    QLineEdit::focusOutEvent(event);
}

void FieldEdit::mousePressEvent(QMouseEvent *event)
{
    QLineEdit::mousePressEvent(event);
    if (!m_selectAfterPress)
        return;
    m_selectAfterPress = false;
    // Select once the press and its release are handled, unless a key or a
    // drag has changed the text or moved the caret by then.
    const QString pressedText = text();
    const int pressedCursor = cursorPosition();
    QTimer::singleShot(0, this, [this, pressedText, pressedCursor] {
        if (hasFocus() && text() == pressedText && cursorPosition() == pressedCursor)
            setSelection(0, static_cast<int>(text().size()));
    });
}

void FieldEdit::keyPressEvent(QKeyEvent *event)
{
    m_selectAfterPress = false; // typed before any press: nothing to select again
    int keyAscii = 0;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        keyAscii = 13;
    else if (!event->text().isEmpty())
        keyAscii = event->text().at(0).unicode();
    if (keyAscii != 0) {
        m_window.CS_KeyPress(m_index, keyAscii);
        if (keyAscii == 0) { // cancelled: the text box does not act on it
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

LinkLabel::LinkLabel(Hdun &window, QWidget *parent) : QLabel(parent), m_window(window) { }

void LinkLabel::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    m_window.Label2_MouseDown();
}

void LinkLabel::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    m_window.Label2_MouseUp();
}

PierPicture::PierPicture(QWidget *parent) : QFrame(parent), m_drawing(new QSvgRenderer(PierDrawingPath(), this))
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

PierPicture::~PierPicture() = default;

void PierPicture::paintEvent(QPaintEvent *event)
{
    {
        // Vector drawing: sharp at any device pixel ratio.
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillRect(rect(), Qt::black);
        m_drawing->render(&painter, QRectF(contentsRect()));
    }
    QFrame::paintEvent(event);
}

std::string FileUrl(const std::string &path)
{
    return QUrl::fromLocalFile(QDir::fromNativeSeparators(QString::fromStdString(path)))
        .toString(QUrl::FullyEncoded)
        .toStdString();
}

} // namespace pierqty
