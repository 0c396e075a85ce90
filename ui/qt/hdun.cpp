#include "ui/qt/hdun.h"

#include "ui/assets/assets.h"

#include <QAction>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QMenu>
#include <QScreen>
#include <QTranslator>

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
    return Utf8Text(utf8);
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

Hdun::Hdun(DesktopServices &services, QWidget *parent)
    : QWidget(parent), m_services(services), m_controls(form::Controls().size())
{
    setWindowTitle(Text(form::kWindowTitle));
    setWindowIcon(QIcon(AppIconPath()));
    setFixedSize(kClientWidth, kClientHeight);
    setFont(SongFont(form::kWindowFont));
    createColumn();
    createReport();
    createLink();
    m_picture1 = place(new PierPicture(this), form::kPicture1);
    followTabOrder();
    m_controller.Form_Load();
}

template<class Widget>
Widget *Hdun::place(Widget *widget, form::ControlRef ref)
{
    widget->setGeometry(Box(ref));
    m_controls[form::Slot(ref)] = widget;
    return widget;
}

void Hdun::createColumn()
{
    m_line1 = place(new QFrame(this), form::kLine1);
    m_line1->setFrameShape(QFrame::HLine);
    m_line1->setFrameShadow(QFrame::Plain);
    m_line1->setLineWidth(1);
    // Captions first: each field is drawn above the 9 px of its caption's
    // box that reach under it.
    for (int i = 0; i < kFieldCount; ++i)
        place(new QLabel(Text(form::Find(form::Label1(i)).text), this), form::Label1(i))
            ->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int i = 0; i < kFieldCount; ++i) {
        FieldEdit *field = place(new FieldEdit(*this, i, this), form::CS(i));
        field->setMaxLength(32767 * 1024); // no practical limit on the text
        field->setReadOnly(form::Find(form::CS(i)).readOnly);
        field->setObjectName(QStringLiteral("CS%1").arg(i));
        connect(field, &QLineEdit::textChanged, this, [this, i] { m_controller.CS_Change(i); });
    }
    const form::Control &command = form::Find(form::kCommand1);
    m_command1 = place(new QPushButton(Text(command.text), this), form::kCommand1);
    m_command1->setFont(SongFont(command.font));
    // Enter and Space click it while it has the focus; Enter elsewhere does not.
    m_command1->setAutoDefault(true);
    m_command1->setDefault(false);
    connect(m_command1, &QPushButton::clicked, this, [this] { m_controller.calculate(); });
}

void Hdun::createReport()
{
    m_text1 = place(new QPlainTextEdit(this), form::kText1);
    m_text1->setReadOnly(true);
    m_text1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_text1->setTabChangesFocus(true);
    m_text1->setFocusPolicy(Qt::StrongFocus);
    m_text1->setPlainText(Text(form::Find(form::kText1).text));
    // The report's context menu saves the sheet, exports the workbook and
    // copies the results;
    // Ctrl+S saves from anywhere in the window.
    m_saveSheet = new QAction(Text(form::kSaveSheetCaption), this);
    m_saveSheet->setShortcut(QKeySequence(Text(form::kSaveSheetShortcut)));
    m_saveSheet->setShortcutContext(Qt::WindowShortcut);
    connect(m_saveSheet, &QAction::triggered, this, [this] { m_controller.saveSheet(); });
    addAction(m_saveSheet);
    m_copyResults = new QAction(Text(form::kCopyResultsCaption), this);
    connect(m_copyResults, &QAction::triggered, this, [this] { m_controller.copyResults(); });
    m_exportWorkbook = new QAction(Text(form::kExportWorkbookCaption), this);
    connect(m_exportWorkbook, &QAction::triggered, this, [this] { m_controller.exportWorkbook(); });
    m_addToBridge = new QAction(Text(form::kAddToBridgeCaption), this);
    m_addToBridge->setShortcut(QKeySequence(Text(form::kAddToBridgeShortcut)));
    m_addToBridge->setShortcutContext(Qt::WindowShortcut);
    connect(m_addToBridge, &QAction::triggered, this, [this] { m_controller.addToBridge(); });
    addAction(m_addToBridge);
    m_text1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_text1, &QWidget::customContextMenuRequested, this, [this](const QPoint &position) {
        QMenu *menu = createText1ContextMenu(position);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(m_text1->viewport()->mapToGlobal(position));
    });
}

void Hdun::createLink()
{
    const form::Control &link = form::Find(form::kLabel2);
    m_label2 = place(new LinkLabel(*this, this), form::kLabel2);
    m_label2->setText(Text(link.text));
    m_label2->setAlignment(Qt::AlignCenter);
    m_label2->setFont(SongFont(link.font));
    QPalette linkPalette = m_label2->palette();
    linkPalette.setColor(QPalette::WindowText, ToQColor(form::kLinkText));
    m_label2->setPalette(linkPalette);
    m_label2->setFocusPolicy(Qt::NoFocus);
}

void Hdun::followTabOrder()
{
    const std::vector<form::ControlRef> order = form::TabOrder();
    for (std::size_t k = 0; k + 1 < order.size(); ++k)
        QWidget::setTabOrder(widget(order[k]), widget(order[k + 1]));
}

QWidget *Hdun::widget(form::ControlRef ref) const
{
    return m_controls[form::Slot(ref)];
}

FieldEdit *Hdun::CS(int index) const
{
    return static_cast<FieldEdit *>(widget(form::CS(index)));
}

QLabel *Hdun::Label1(int index) const
{
    return static_cast<QLabel *>(widget(form::Label1(index)));
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

QMenu *Hdun::createText1ContextMenu(const QPoint &position)
{
    QMenu *menu = m_text1->createStandardContextMenu(position);
    menu->addSeparator();
    menu->addActions({m_saveSheet, m_exportWorkbook, m_copyResults});
    menu->addSeparator();
    menu->addAction(m_addToBridge);
    return menu;
}

std::string Hdun::controlText(form::ControlRef ref) const
{
    if (ref == form::kText1)
        return m_text1->toPlainText().replace(u'\n', QStringLiteral("\r\n")).toStdString();
    return CS(ref.index)->text().toStdString();
}

void Hdun::setControlText(form::ControlRef ref, const std::string &text)
{
    if (ref == form::kText1)
        return m_text1->setPlainText(QString::fromStdString(text));
    FieldEdit *field = CS(ref.index);
    field->setText(QString::fromStdString(text));
    // A long figure shows its leading digits, not its unit.
    if (field->isReadOnly())
        field->setCursorPosition(0);
}

void Hdun::moveFocus(form::ControlRef ref)
{
    widget(ref)->setFocus(Qt::OtherFocusReason);
}

std::string Hdun::launchTarget(const std::string &path) const
{
    return FileUrl(path);
}

void Hdun::CS_GotFocus(int Index)
{
    m_controller.run([&] {
        FieldEdit *field = CS(Index);
        field->setSelection(0, static_cast<int>(field->text().size()));
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
    QFont font = m_label2->font();
    font.setBold(false);
    m_label2->setFont(font);
    m_controller.Label2_Click();
}

} // namespace pierqty
