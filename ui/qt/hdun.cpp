#include "ui/qt/hdun.h"

#include "calc/parameters.h"
#include "calc/texts.h"
#include "platform/numbers.h"
#include "ui/assets/assets.h"
#include "ui/form/report_actions.h"

#include <QAction>
#include <QDir>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>
#include <QTimer>
#include <QTranslator>
#include <QUrl>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace pierqty {

namespace {

// A control's box in pixels: the window is laid out at 96 dpi and Qt
// scales it with the screen.
QRect Box(form::ControlRef ref)
{
    const form::Rect r = form::ToPixels(form::Find(ref).twips, 96);
    return {r.left, r.top, r.width, r.height};
}

QString Text(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QColor ToQColor(form::Colour colour)
{
    return {colour.red, colour.green, colour.blue};
}

// "宋体" on Windows; on Linux the first Song-style (serif) CJK face found.
QFont SongFont(const form::FontSpec &spec)
{
    QFont font;
    font.setFamilies({Text(form::kSongFaceLatin), Text(form::kSongFace), QStringLiteral("Noto Serif CJK SC"),
                      QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(spec.pixelsAt96);
    font.setWeight(spec.weight >= 700 ? QFont::Bold : QFont::Normal);
    font.setUnderline(spec.underline);
    return font;
}

const QColor kMarkBackground = ToQColor(form::kMarkBackground);
const QColor kMarkText = ToQColor(form::kMarkText);
const QColor kStaleText = ToQColor(form::kStaleText);

} // namespace

QTranslator *InstallQtChineseTranslation(QCoreApplication &app)
{
    // The window is Chinese whatever the desktop's language, and so are
    // the texts Qt adds to it.
    auto *translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

FieldEdit::FieldEdit(Hdun &window, int index, QWidget *parent) : QLineEdit(parent), m_window(window), m_index(index) { }

void FieldEdit::markReading(const QString &toolTip)
{
    QPalette marked = palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        marked.setColor(group, QPalette::Base, kMarkBackground);
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

Hdun::Hdun(DesktopServices &services, QWidget *parent) : QWidget(parent), m_services(services)
{
    setWindowTitle(Text(form::kWindowTitle));
    setWindowIcon(QIcon(AppIconPath()));
    setFixedSize(kClientWidth, kClientHeight);
    setFont(SongFont(form::kWindowFont));

    m_line1 = new QFrame(this);
    m_line1->setFrameShape(QFrame::HLine);
    m_line1->setFrameShadow(QFrame::Plain);
    m_line1->setLineWidth(1);
    m_line1->setGeometry(Box(form::kLine1));

    // Captions first: each field is drawn above the 9 px of its caption's
    // box that reach under it.
    for (int i = 0; i < kFieldCount; ++i) {
        auto *label = new QLabel(Text(form::Find(form::Label1(i)).text), this);
        label->setGeometry(Box(form::Label1(i)));
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        m_label1[static_cast<std::size_t>(i)] = label;
    }
    for (int i = 0; i < kFieldCount; ++i) {
        auto *field = new FieldEdit(*this, i, this);
        field->setGeometry(Box(form::CS(i)));
        field->setMaxLength(32767 * 1024); // no practical limit on the text
        field->setReadOnly(form::Find(form::CS(i)).readOnly);
        field->setObjectName(QStringLiteral("CS%1").arg(i));
        m_cs[static_cast<std::size_t>(i)] = field;
        if (i < form::kInputCount)
            connect(field, &QLineEdit::textChanged, this, [this, i] { fieldEdited(i); });
    }

    const form::Control &command = form::Find(form::kCommand1);
    m_command1 = new QPushButton(Text(command.text), this);
    m_command1->setGeometry(Box(form::kCommand1));
    m_command1->setFont(SongFont(command.font));
    // Enter and Space click it while it has the focus; Enter elsewhere does not.
    m_command1->setAutoDefault(true);
    m_command1->setDefault(false);
    connect(m_command1, &QPushButton::clicked, this, [this] { calculateCommand(); });

    m_text1 = new QPlainTextEdit(this);
    m_text1->setGeometry(Box(form::kText1));
    m_text1->setReadOnly(true);
    m_text1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_text1->setTabChangesFocus(true);
    m_text1->setFocusPolicy(Qt::StrongFocus);
    m_text1->setPlainText(Text(form::Find(form::kText1).text));

    // The report's context menu saves the sheet and copies the results;
    // Ctrl+S saves from anywhere in the window.
    m_saveSheet = new QAction(QStringLiteral("保存计算书…"), this);
    m_saveSheet->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    m_saveSheet->setShortcutContext(Qt::WindowShortcut);
    connect(m_saveSheet, &QAction::triggered, this, [this] { saveSheetCommand(); });
    addAction(m_saveSheet);
    m_copyResults = new QAction(QStringLiteral("复制结果"), this);
    connect(m_copyResults, &QAction::triggered, this, [this] { copyResultsCommand(); });
    m_text1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_text1, &QWidget::customContextMenuRequested, this, [this](const QPoint &position) {
        QMenu *menu = createText1ContextMenu(position);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(m_text1->viewport()->mapToGlobal(position));
    });

    const form::Control &link = form::Find(form::kLabel2);
    m_label2 = new LinkLabel(*this, this);
    m_label2->setText(Text(link.text));
    m_label2->setGeometry(Box(form::kLabel2));
    m_label2->setAlignment(Qt::AlignCenter);
    m_label2->setFont(SongFont(link.font));
    QPalette linkPalette = m_label2->palette();
    linkPalette.setColor(QPalette::WindowText, QColor(255, 0, 0));
    m_label2->setPalette(linkPalette);
    m_label2->setFocusPolicy(Qt::NoFocus);

    m_picture1 = new PierPicture(this);
    m_picture1->setGeometry(Box(form::kPicture1));

    // The order of the Tab key, from the table.
    std::vector<QWidget *> tabOrder;
    for (const form::ControlRef ref : form::TabOrder())
        tabOrder.push_back(widget(ref));
    for (std::size_t k = 0; k + 1 < tabOrder.size(); ++k)
        QWidget::setTabOrder(tabOrder[k], tabOrder[k + 1]);

    Form_Load();
}

QWidget *Hdun::widget(form::ControlRef ref) const
{
    switch (ref.name) {
    case form::Name::CS:
        return CS(ref.index);
    case form::Name::Label1:
        return Label1(ref.index);
    case form::Name::Line1:
        return m_line1;
    case form::Name::Command1:
        return m_command1;
    case form::Name::Text1:
        return m_text1;
    case form::Name::Label2:
        return m_label2;
    case form::Name::Picture1:
        return m_picture1;
    }
    throw std::out_of_range("no such control");
}

FieldEdit *Hdun::CS(int index) const
{
    if (index < 0 || index >= kFieldCount)
        throw std::out_of_range("控件数组 CS 没有元素 " + std::to_string(index));
    return m_cs[static_cast<std::size_t>(index)];
}

QLabel *Hdun::Label1(int index) const
{
    if (index < 0 || index >= kFieldCount)
        throw std::out_of_range("控件数组 Label1 没有元素 " + std::to_string(index));
    return m_label1[static_cast<std::size_t>(index)];
}

bool Hdun::runHandler(const std::function<void()> &body)
{
    try {
        body();
        return true;
    } catch (const std::exception &error) {
        m_services.reportError(std::string(form::kRuntimeErrorPrefix) + error.what());
        return false;
    }
}

void Hdun::Form_Load()
{
    runHandler([this] {
        const ParameterTexts texts = form::DefaultTexts();
        for (int i = 0; i < form::kInputCount; ++i)
            CS(i)->setText(QString::fromStdString(texts.at(static_cast<std::size_t>(i))));
    });
}

void Hdun::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    if (const QScreen *screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    CS(0)->setFocus(Qt::ActiveWindowFocusReason);
}

bool Hdun::calculateCommand()
{
    bool succeeded = false;
    runHandler([&] {
        const ParameterTexts texts = inputTexts();
        const form::CalculationOutcome outcome = m_form.calculate(texts);
        showMarks();
        showStale();
        if (!outcome.succeeded) {
            m_services.reportError(outcome.errorMessage);
            return;
        }
        for (const form::TextWrite &write : outcome.writes) {
            const QString text = QString::fromStdString(write.text);
            if (write.target == form::kText1) {
                m_text1->setPlainText(text);
                continue;
            }
            FieldEdit *field = CS(write.target.index);
            field->setText(text);
            // A long figure shows its leading digits, not its unit.
            field->setCursorPosition(0);
        }
        succeeded = true;
    });
    return succeeded;
}

ParameterTexts Hdun::inputTexts() const
{
    ParameterTexts texts;
    for (int i = 0; i < form::kInputCount; ++i)
        texts[static_cast<std::size_t>(i)] = CS(i)->text().toStdString();
    return texts;
}

QMenu *Hdun::createText1ContextMenu(const QPoint &position)
{
    QMenu *menu = m_text1->createStandardContextMenu(position);
    menu->addSeparator();
    menu->addAction(m_saveSheet);
    menu->addAction(m_copyResults);
    return menu;
}

bool Hdun::saveSheetCommand()
{
    // The sheet shows what the screen shows: the same texts, calculated anew.
    if (!calculateCommand())
        return false;
    bool saved = false;
    runHandler([&] {
        saved = form::SaveSheet(m_services, inputTexts(), [](const std::string &path) {
            return QUrl::fromLocalFile(QDir::fromNativeSeparators(QString::fromStdString(path)))
                .toString(QUrl::FullyEncoded)
                .toStdString();
        });
    });
    return saved;
}

bool Hdun::copyResultsCommand()
{
    // The figures copied are those now on the screen.
    if (!calculateCommand())
        return false;
    bool copied = false;
    runHandler([&] { copied = form::CopyResults(m_services, inputTexts()); });
    return copied;
}

void Hdun::fieldEdited(int index)
{
    const bool wasStale = m_form.resultsStale();
    m_form.fieldEdited(index);
    if (!m_form.marked(index))
        CS(index)->clearReadingMark();
    if (wasStale != m_form.resultsStale())
        showStale();
}

void Hdun::showMarks()
{
    for (int i = 0; i < form::kInputCount; ++i) {
        FieldEdit *field = CS(i);
        if (const auto &mark = m_form.mark(i))
            field->markReading(QString::fromStdString(*mark));
        else
            field->clearReadingMark();
    }
}

void Hdun::showStale()
{
    const bool stale = m_form.resultsStale();
    QWidget *const results[] = {CS(form::kAreaField), CS(form::kVolumeField), m_text1};
    for (QWidget *result : results) {
        if (!stale) {
            result->setPalette(QPalette());
            result->setToolTip(QString());
            continue;
        }
        QPalette grey = result->palette();
        for (const auto group : {QPalette::Active, QPalette::Inactive})
            grey.setColor(group, QPalette::Text, kStaleText);
        result->setPalette(grey);
        result->setToolTip(Text(form::kStaleToolTip));
    }
}

void Hdun::CS_GotFocus(int Index)
{
    runHandler([&] {
        FieldEdit *field = CS(Index);
        field->setSelection(0, static_cast<int>(field->text().size()));
    });
}

void Hdun::CS_KeyPress(int Index, int &KeyAscii)
{
    if (KeyAscii != 13)
        return;
    KeyAscii = 0;
    runHandler([&] {
        const form::EnterStep step = form::EnterIn(Index);
        if (step.calculate && !calculateCommand())
            return; // the focus stays where the fault was met
        if (step.focusField)
            CS(*step.focusField)->setFocus(Qt::OtherFocusReason);
    });
}

void Hdun::Label2_MouseDown()
{
    QFont font = m_label2->font();
    font.setBold(true);
    m_label2->setFont(font);
}

void Hdun::Label2_MouseUp()
{
    runHandler([this] {
        QFont font = m_label2->font();
        font.setBold(false);
        m_label2->setFont(font);
        if (!m_services.openUrl(std::string(form::kPromoPageAddress)))
            throw std::runtime_error(form::LinkLaunchFailureMessage());
    });
}

} // namespace pierqty
