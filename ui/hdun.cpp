#include "ui/hdun.h"

#include "calc/parameters.h"
#include "calc/texts.h"
#include "platform/numbers.h"
#include "ui/assets/assets.h"

#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>
#include <QTimer>
#include <QTranslator>

#include <stdexcept>
#include <string>

namespace pierqty {

namespace {

// The hint Text1 shows until the first calculation: where the layer areas
// will appear, and that a radius of 100000 or more keeps a side vertical.
const char16_t kReportHint[] = u"    此处显示各高度层除的截\r\n"
                               u"面积。\r\n"
                               u"当一侧竖直时，将半径输入\r\n"
                               u"100000以上即可。\r\n";

// The window's geometry, in pixels at 96 dpi (twips / 15).
constexpr int kColumnLeft = 8;
constexpr int kFieldLeft = 32;
constexpr int kFieldWidth = 169;
constexpr int kFieldHeight = 18;
constexpr int kCaptionWidth = 33;
constexpr int kCaptionHeight = 17;
constexpr int kColumnWidth = 193;

int RowTop(int index)
{
    if (index <= 10)
        return 16 + 24 * index;
    return index == 11 ? 320 : 344;
}

const char *const kCaptions[Hdun::kFieldCount] = {"L1：", "R1：", "L2：", "R2：", "H1：", "H2：", "h：",
                                                  "l1：", "l2：", "l3：", "n：",  "S=",   "V="};

// "宋体" on Windows; on Linux the first Song-style (serif) CJK face found.
QFont SongFont(int pixelSize)
{
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("Noto Serif CJK SC"),
                      QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(pixelSize);
    return font;
}

// A light amber under black text: a field whose text was read as something
// else than written. Grey text: results that no longer match the inputs.
const QColor kMarkBackground(255, 226, 150);
const QColor kMarkText(0, 0, 0);
const QColor kStaleText(140, 140, 140);

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
    setWindowTitle(QStringLiteral("花瓶墩模板与混凝土工程量计算"));
    setWindowIcon(QIcon(AppIconPath()));
    setFixedSize(kClientWidth, kClientHeight);
    setFont(SongFont(12));

    m_line1 = new QFrame(this);
    m_line1->setFrameShape(QFrame::HLine);
    m_line1->setFrameShadow(QFrame::Plain);
    m_line1->setLineWidth(1);
    m_line1->setGeometry(kColumnLeft, 8, 200 - kColumnLeft + 1, 1);

    // Captions first: each field is drawn above the 9 px of its caption's
    // box that reach under it.
    for (int i = 0; i < kFieldCount; ++i) {
        auto *label = new QLabel(QString::fromUtf8(kCaptions[i]), this);
        label->setGeometry(kColumnLeft, RowTop(i), kCaptionWidth, kCaptionHeight);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        m_label1[static_cast<std::size_t>(i)] = label;
    }
    for (int i = 0; i < kFieldCount; ++i) {
        auto *field = new FieldEdit(*this, i, this);
        field->setGeometry(kFieldLeft, RowTop(i), kFieldWidth, kFieldHeight);
        field->setMaxLength(32767 * 1024); // no practical limit on the text
        field->setReadOnly(i >= 11);
        field->setObjectName(QStringLiteral("CS%1").arg(i));
        m_cs[static_cast<std::size_t>(i)] = field;
        if (i <= 10) {
            connect(field, &QLineEdit::textChanged, this, [this, field] {
                field->clearReadingMark();
                if (m_haveResults)
                    setResultsStale(true);
            });
        }
    }

    m_command1 = new QPushButton(QStringLiteral("计    算"), this);
    m_command1->setGeometry(kColumnLeft, 280, kColumnWidth, 33);
    QFont buttonFont = SongFont(19);
    buttonFont.setBold(true);
    m_command1->setFont(buttonFont);
    // Enter and Space click it while it has the focus; Enter elsewhere does not.
    m_command1->setAutoDefault(true);
    m_command1->setDefault(false);
    connect(m_command1, &QPushButton::clicked, this, [this] { calculateCommand(); });

    m_text1 = new QPlainTextEdit(this);
    m_text1->setGeometry(kColumnLeft, 368, kColumnWidth, 121);
    m_text1->setReadOnly(true);
    m_text1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_text1->setTabChangesFocus(true);
    m_text1->setFocusPolicy(Qt::StrongFocus);
    m_text1->setPlainText(QString::fromUtf16(kReportHint));

    m_label2 = new LinkLabel(*this, this);
    m_label2->setText(QStringLiteral("点我到淘宝低价充话费"));
    m_label2->setGeometry(kColumnLeft, 496, kColumnWidth, 25);
    m_label2->setAlignment(Qt::AlignCenter);
    QFont linkFont = SongFont(16);
    linkFont.setUnderline(true);
    linkFont.setBold(false);
    m_label2->setFont(linkFont);
    QPalette linkPalette = m_label2->palette();
    linkPalette.setColor(QPalette::WindowText, QColor(255, 0, 0));
    m_label2->setPalette(linkPalette);
    m_label2->setFocusPolicy(Qt::NoFocus);

    m_picture1 = new PierPicture(this);
    m_picture1->setGeometry(208, 0, 466, 532);

    // Tab order: the fields h and n, then the report, the button and the
    // drawing, before the chamfer and groove fields and the results.
    const std::array<QWidget *, 16> tabOrder = {CS(0),   CS(1),      CS(2),      CS(3), CS(4), CS(5), CS(6),  CS(10),
                                                m_text1, m_command1, m_picture1, CS(7), CS(8), CS(9), CS(11), CS(12)};
    for (std::size_t k = 0; k + 1 < tabOrder.size(); ++k)
        QWidget::setTabOrder(tabOrder[k], tabOrder[k + 1]);

    Form_Load();
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
        m_services.reportError(std::string("运行时错误：") + error.what());
        return false;
    }
}

void Hdun::Form_Load()
{
    runHandler([this] {
        const auto pieces = SplitText(DefaultInputText, ',');
        for (int i = 0; i <= 10; ++i)
            CS(i)->setText(QString::fromStdString(pieces.at(static_cast<std::size_t>(i))));
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
        ParameterTexts texts;
        for (int i = 0; i <= 10; ++i)
            texts[static_cast<std::size_t>(i)] = CS(i)->text().toStdString();
        markReadings(texts);
        const auto result = calculateFromTexts(texts);
        if (!result) {
            m_services.reportError(result.fault().messageZh());
            return;
        }
        const CalculationTexts &published = result.value();
        CS(11)->setText(QString::fromStdString(published.areaText));
        CS(12)->setText(QString::fromStdString(published.volumeText));
        m_text1->setPlainText(QString::fromStdString(published.report));
        // A long figure shows its leading digits, not its unit.
        CS(11)->setCursorPosition(0);
        CS(12)->setCursorPosition(0);
        m_haveResults = true;
        setResultsStale(false);
        succeeded = true;
    });
    // What a failed calculation leaves on screen belongs to other inputs.
    if (!succeeded && m_haveResults)
        setResultsStale(true);
    return succeeded;
}

void Hdun::markReadings(const ParameterTexts &texts)
{
    ParameterReadings readings;
    (void)parsePierParameters(texts, &readings); // the calculation reads them again
    for (int i = 0; i <= 10; ++i) {
        const NumberReading &reading = readings[static_cast<std::size_t>(i)];
        FieldEdit *field = CS(i);
        field->clearReadingMark();
        if (reading.status == NumberStatus::OutOfRange)
            continue; // the calculation stops and its message names the field
        double used = reading.value;
        if (i == 10) {
            const auto count = ToInt16(reading.value);
            if (!count)
                continue; // likewise
            used = *count;
        }
        if (reading.status == NumberStatus::Whole && used == reading.value)
            continue;
        field->markReading(QStringLiteral("按 %1 计算").arg(QString::fromStdString(ShortestText(used))));
    }
}

void Hdun::setResultsStale(bool stale)
{
    QWidget *const results[] = {CS(11), CS(12), m_text1};
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
        result->setToolTip(QStringLiteral("输入已改动：此结果与当前输入不符，请重新计算"));
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
        if (Index == 10) {
            if (calculateCommand())
                CS(0)->setFocus(Qt::OtherFocusReason);
            return;
        }
        // CS(12) is the last element: Enter there only cancels the key.
        if (Index + 1 < kFieldCount)
            CS(Index + 1)->setFocus(Qt::OtherFocusReason);
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
        if (!m_services.openUrl(std::string(PromoPageAddress)))
            throw std::runtime_error("无法打开网页 " + std::string(PromoPageAddress) +
                                     "：没有可用的浏览器或网址处理程序。");
    });
}

} // namespace pierqty
