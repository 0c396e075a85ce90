// The window, driven as a user drives it (offscreen platform).
#include "calc/parameters.h"
#include "calc/texts.h"
#include "platform/desktop_fake.h"
#include "platform/desktop_qt.h"
#include "sheet/sheet.h"
#include "ui/qt/hdun.h"

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include <memory>
#include <string>
#include <vector>

using pierqty::Hdun;

namespace {

using FakeServices = pierqty::FakeDesktopServices;

// Every file and folder under a folder, hidden ones included.
QStringList FilesUnder(const QString &folder)
{
    QStringList found;
    for (const QFileInfo &entry :
         QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        found << entry.fileName();
        if (entry.isDir())
            for (const QString &inner : FilesUnder(entry.filePath()))
                found << entry.fileName() + u'/' + inner;
    }
    return found;
}

QString Report(const std::string &utf8)
{
    // The report box shows CR LF line breaks as its own paragraph breaks.
    return QString::fromStdString(utf8).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

class WindowTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FakeServices> services;
    std::unique_ptr<Hdun> window;

    void showActive()
    {
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QCoreApplication::processEvents();
    }

    QWidget *focused() const { return QApplication::focusWidget(); }

    void press(QWidget *target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(target, key, modifiers);
        QCoreApplication::processEvents();
    }

    static bool wholeTextSelected(pierqty::FieldEdit *field)
    {
        if (field->text().isEmpty())
            return !field->hasSelectedText() && field->cursorPosition() == 0;
        return field->selectionStart() == 0 && field->selectedText() == field->text();
    }

private slots:
    void init()
    {
        services = std::make_unique<FakeServices>();
        window = std::make_unique<Hdun>(*services);
    }

    void cleanup() { window.reset(); }

    void layoutAsTheUserSeesIt()
    {
        QCOMPARE(window->size(), QSize(672, 528));
        QCOMPARE(window->minimumSize(), window->maximumSize());
        const QRect inside = window->rect();
        // The left column: line, captions, fields, button, report and link.
        std::vector<std::pair<QString, QWidget *>> column = {{QStringLiteral("Line1"), window->Line1()},
                                                             {QStringLiteral("Command1"), window->Command1()},
                                                             {QStringLiteral("Text1"), window->Text1()},
                                                             {QStringLiteral("Label2"), window->Label2()}};
        for (int i = 0; i < Hdun::kFieldCount; ++i) {
            column.emplace_back(QStringLiteral("CS%1").arg(i), window->CS(i));
            column.emplace_back(QStringLiteral("Label1(%1)").arg(i), window->Label1(i));
        }
        const QRect picture = window->Picture1()->geometry();
        for (const auto &[name, widget] : column) {
            const QRect box = widget->geometry();
            QVERIFY2(inside.contains(box), qPrintable(name));
            QVERIFY2(box.right() < picture.left(), qPrintable(name + QStringLiteral(" reaches into the drawing")));
        }
        // The drawing fills the rest of the window up to its edges.
        QCOMPARE(picture.top(), 0);
        QVERIFY(picture.right() >= inside.right() && picture.bottom() >= inside.bottom());
        QVERIFY(inside.contains(window->Picture1()->contentsRect().translated(picture.topLeft()).topLeft()));
        // No two boxes overlap, except each caption with its own field.
        for (std::size_t a = 0; a < column.size(); ++a) {
            for (std::size_t b = a + 1; b < column.size(); ++b) {
                const QString &first = column[a].first, &second = column[b].first;
                const bool captionAndField =
                    first.startsWith(QStringLiteral("CS")) && second == QStringLiteral("Label1(%1)").arg(first.mid(2));
                if (!captionAndField)
                    QVERIFY2(!column[a].second->geometry().intersects(column[b].second->geometry()),
                             qPrintable(first + QStringLiteral(" overlaps ") + second));
            }
        }
        for (int i = 0; i < Hdun::kFieldCount; ++i) {
            const QRect field = window->CS(i)->geometry(), caption = window->Label1(i)->geometry();
            // The caption starts left of its field, on the field's row; the
            // field is drawn above the part of the caption under it.
            QVERIFY(caption.left() < field.left());
            QVERIFY(caption.center().y() >= field.top() && caption.center().y() <= field.bottom());
            const QPoint shared = caption.intersected(field).center();
            QCOMPARE(window->childAt(shared), static_cast<QWidget *>(window->CS(i)));
            // One column of equal fields, in index order from the top; the
            // button between the inputs and the results, the report and the
            // link below them.
            QCOMPARE(field.left(), window->CS(0)->geometry().left());
            QCOMPARE(field.size(), window->CS(0)->geometry().size());
            if (i > 0)
                QVERIFY(field.top() > window->CS(i - 1)->geometry().bottom());
            QCOMPARE(window->CS(i)->isReadOnly(), i >= 11);
        }
        QVERIFY(window->Command1()->geometry().top() > window->CS(10)->geometry().bottom());
        QVERIFY(window->Command1()->geometry().bottom() < window->CS(11)->geometry().top());
        QVERIFY(window->Text1()->geometry().top() > window->CS(12)->geometry().bottom());
        QVERIFY(window->Label2()->geometry().top() > window->Text1()->geometry().bottom());
        QVERIFY(window->Line1()->geometry().bottom() < window->Label1(0)->geometry().top());
        QVERIFY(window->CS(0)->childAt(1, 1) == nullptr);
        QVERIFY(window->Text1()->isReadOnly());
        QCOMPARE(window->Text1()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(window->Text1()->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    }

    void captionsAndLinkLook()
    {
        const char *captions[] = {"L1：", "R1：", "L2：", "R2：", "H1：", "H2：", "h：",
                                  "l1：", "l2：", "l3：", "n：",  "S=",   "V="};
        for (int i = 0; i < Hdun::kFieldCount; ++i)
            QCOMPARE(window->Label1(i)->text(), QString::fromUtf8(captions[i]));
        QCOMPARE(window->Command1()->text(), QStringLiteral("计    算"));
        const QLabel *link = window->Label2();
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QVERIFY(link->font().underline() && !link->font().bold());
        QCOMPARE(link->focusPolicy(), Qt::NoFocus);
    }

    void startsWithDefaultsAndHint()
    {
        const pierqty::ParameterTexts defaults = pierqty::DefaultParameterTexts();
        for (int i = 0; i <= 10; ++i)
            QCOMPARE(window->CS(i)->text().toStdString(), defaults[static_cast<std::size_t>(i)]);
        QCOMPARE(window->CS(4)->text(), QStringLiteral("3.00"));
        QVERIFY(window->CS(11)->text().isEmpty());
        QVERIFY(window->CS(12)->text().isEmpty());
        QCOMPARE(window->Text1()->toPlainText(),
                 QStringLiteral("    此处显示各高度层除的截\n面积。\n"
                                "当一侧竖直时，将半径输入\n100000以上即可。\n"));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, window->CS(13));
    }

    void opensWithFirstFieldSelected()
    {
        showActive();
        QCOMPARE(focused(), static_cast<QWidget *>(window->CS(0)));
        QVERIFY(wholeTextSelected(window->CS(0)));
        QTest::keyClicks(window->CS(0), "7");
        QCOMPARE(window->CS(0)->text(), QStringLiteral("7"));
    }

    void tabVisitsTheControlsInTabOrder()
    {
        showActive();
        QWidget *const order[] = {window->CS(1),      window->CS(2),      window->CS(3),  window->CS(4),
                                  window->CS(5),      window->CS(6),      window->CS(10), window->Text1(),
                                  window->Command1(), window->Picture1(), window->CS(7),  window->CS(8),
                                  window->CS(9),      window->CS(11),     window->CS(12), window->CS(0)};
        for (QWidget *expected : order) {
            press(focused(), Qt::Key_Tab);
            QCOMPARE(focused(), expected);
            if (auto *field = dynamic_cast<pierqty::FieldEdit *>(expected))
                QVERIFY(wholeTextSelected(field));
        }
        for (int k = 14; k >= 0; --k) {
            press(focused(), Qt::Key_Backtab, Qt::ShiftModifier);
            QCOMPARE(focused(), order[k]);
        }
    }

    void mouseAndProgramFocusSelectTheText()
    {
        showActive();
        QTest::mouseClick(window->CS(3), Qt::LeftButton, {}, QPoint(30, 9));
        QTRY_VERIFY(wholeTextSelected(window->CS(3)));
        QCOMPARE(window->CS(3)->selectedText(), QStringLiteral("13.032"));
        window->CS(5)->setFocus();
        QTRY_VERIFY(wholeTextSelected(window->CS(5)));
        window->CS(9)->clear();
        window->CS(9)->setFocus();
        QTRY_COMPARE(focused(), static_cast<QWidget *>(window->CS(9)));
        QCOMPARE(window->CS(9)->selectionStart(), -1);
        QCOMPARE(window->CS(9)->cursorPosition(), 0);
    }

    void keysTypedRightAfterTabOrEnterAreKept()
    {
        // The window system hands over keys in bursts: the key that moves the
        // focus and the first digit arrive together, the next digits later.
        showActive();
        QWindow *const handle = window->windowHandle();
        const auto post = [handle](Qt::Key key, const QString &text) {
            QCoreApplication::postEvent(handle, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
            QCoreApplication::postEvent(handle, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
        };
        struct Case {
            int from;
            Qt::Key key;
            int to;
        };
        for (const Case c : {Case{6, Qt::Key_Tab, 10}, Case{9, Qt::Key_Return, 10}, Case{3, Qt::Key_Enter, 4}}) {
            window->CS(c.from)->setFocus();
            QTRY_COMPARE(focused(), static_cast<QWidget *>(window->CS(c.from)));
            QCoreApplication::processEvents();
            post(c.key, c.key == Qt::Key_Tab ? QStringLiteral("\t") : QStringLiteral("\r"));
            post(Qt::Key_1, QStringLiteral("1"));
            QCoreApplication::processEvents();
            post(Qt::Key_2, QStringLiteral("2"));
            QCoreApplication::processEvents();
            post(Qt::Key_3, QStringLiteral("3"));
            QCoreApplication::processEvents();
            QCOMPARE(focused(), static_cast<QWidget *>(window->CS(c.to)));
            QCOMPARE(window->CS(c.to)->text(), QStringLiteral("123"));
        }
    }

    void enterWalksTheInputsInIndexOrder()
    {
        showActive();
        for (int i = 0; i < 10; ++i) {
            const QString before = window->CS(i)->text();
            press(window->CS(i), Qt::Key_Return);
            QCOMPARE(window->CS(i)->text(), before);
            QCOMPARE(focused(), static_cast<QWidget *>(window->CS(i + 1)));
            QVERIFY(wholeTextSelected(window->CS(i + 1)));
        }
        press(window->CS(4), Qt::Key_Enter); // the keypad's Enter acts alike
        QCOMPARE(focused(), static_cast<QWidget *>(window->CS(5)));
        QVERIFY2(window->CS(11)->text().isEmpty(), "Enter elsewhere never presses the button");
        QTest::keyClicks(window->CS(5), "x");
        QCOMPARE(window->CS(5)->text(), QStringLiteral("x"));
    }

    void enterInLayerCountCalculatesAndReturns()
    {
        showActive();
        window->CS(10)->setFocus();
        press(window->CS(10), Qt::Key_Return);
        const auto expected = pierqty::calculateFromTexts(pierqty::DefaultParameterTexts()).value();
        QCOMPARE(window->CS(11)->text(), QStringLiteral("64.190447 m2"));
        QCOMPARE(window->CS(12)->text().toStdString(), expected.volumeText);
        QCOMPARE(window->Text1()->toPlainText(), Report(expected.report));
        QCOMPARE(window->Text1()->document()->blockCount(), 1002);
        QCOMPARE(focused(), static_cast<QWidget *>(window->CS(0)));
        QVERIFY(wholeTextSelected(window->CS(0)));
        QVERIFY(services->errors.empty());
    }

    void failingCalculationChangesNothing()
    {
        showActive();
        window->CS(10)->setText(QStringLiteral("10"));
        QVERIFY(window->calculateCommand());
        const QString area = window->CS(11)->text(), volume = window->CS(12)->text();
        const QString report = window->Text1()->toPlainText();
        window->CS(10)->setText(QStringLiteral("0"));
        window->CS(10)->setFocus();
        press(window->CS(10), Qt::Key_Return);
        QCOMPARE(focused(), static_cast<QWidget *>(window->CS(10)));
        QCOMPARE(window->CS(10)->text(), QStringLiteral("0"));
        QCOMPARE(window->CS(11)->text(), area);
        QCOMPARE(window->CS(12)->text(), volume);
        QCOMPARE(window->Text1()->toPlainText(), report);
        QCOMPARE(services->errors.size(), std::size_t{1});
        QVERIFY(QString::fromStdString(services->errors[0]).contains(QStringLiteral("层数 n 为 0")));
        // The window goes on working after the report.
        window->CS(10)->setText(QStringLiteral("1"));
        press(window->CS(10), Qt::Key_Return);
        QCOMPARE(window->Text1()->document()->blockCount(), 3);
    }

    void fieldsNotReadAsWrittenAreMarked()
    {
        showActive();
        const QColor plainBase = window->CS(0)->palette().color(QPalette::Base);
        const auto marked = [this, plainBase](int i) {
            return window->CS(i)->palette().color(QPalette::Base) != plainBase;
        };
        struct Case {
            int index;
            const char *text;
            const char *tip; // nullptr: read as written, no mark
        };
        const Case cases[] = {{0, "2，5", "按 2 计算"}, {1, " 4.488 ", nullptr}, {4, "3.00", nullptr},
                              {7, "abc", "按 0 计算"},  {8, "", "按 0 计算"},    {9, "0.5m", "按 0.5 计算"},
                              {6, "3e0", nullptr},      {10, "2.5", "按 2 计算"}};
        pierqty::ParameterTexts texts = pierqty::DefaultParameterTexts();
        for (const Case &c : cases) {
            window->CS(c.index)->setText(QString::fromUtf8(c.text));
            texts[static_cast<std::size_t>(c.index)] = c.text;
        }
        QVERIFY(window->calculateCommand());
        const auto expected = pierqty::calculateFromTexts(texts).value();
        QCOMPARE(window->CS(11)->text().toStdString(), expected.areaText);
        QCOMPARE(window->CS(12)->text().toStdString(), expected.volumeText);
        for (const Case &c : cases) {
            QCOMPARE(window->CS(c.index)->text(), QString::fromUtf8(c.text));
            QCOMPARE(marked(c.index), c.tip != nullptr);
            QCOMPARE(window->CS(c.index)->toolTip(), c.tip ? QString::fromUtf8(c.tip) : QString());
        }
        QVERIFY(!marked(2) && !marked(11) && !marked(12));

        // Editing a field clears its mark alone; the next calculation marks afresh.
        window->CS(10)->setFocus();
        QTest::keyClicks(window->CS(10), "4");
        QVERIFY(!marked(10) && window->CS(10)->toolTip().isEmpty());
        QVERIFY(marked(0) && marked(7));
        window->CS(0)->setText(QStringLiteral("2.5"));
        QVERIFY(!marked(0));
        QVERIFY(window->calculateCommand());
        QVERIFY(!marked(0) && !marked(10) && marked(7) && marked(8) && marked(9));

        // A calculation that fails marks too: n read as 0 divides by zero.
        window->CS(10)->setText(QStringLiteral("n"));
        QVERIFY(!window->calculateCommand());
        QCOMPARE(services->errors.size(), std::size_t{1});
        QVERIFY(marked(10));
        QCOMPARE(window->CS(10)->toolTip(), QStringLiteral("按 0 计算"));
    }

    void resultsGreyFromAnEditUntilTheNextSuccess()
    {
        showActive();
        QWidget *const results[] = {window->CS(11), window->CS(12), window->Text1()};
        std::vector<QColor> normal;
        for (QWidget *result : results)
            normal.push_back(result->palette().color(QPalette::Text));
        // How many of the three show their text in another colour than at start.
        const auto greyed = [&] {
            int count = 0;
            for (std::size_t k = 0; k < 3; ++k)
                count += results[k]->palette().color(QPalette::Text) != normal[k];
            return count;
        };
        QTest::keyClicks(window->CS(0), "3"); // the hint is no result
        QCOMPARE(greyed(), 0);
        window->CS(0)->setText(QStringLiteral("2.5"));
        QVERIFY(window->calculateCommand());
        QCOMPARE(greyed(), 0);
        const QString area = window->CS(11)->text(), report = window->Text1()->toPlainText();

        window->CS(2)->setFocus();
        QTest::keyClicks(window->CS(2), "2");
        QCOMPARE(greyed(), 3);
        QCOMPARE(window->CS(11)->text(), area);
        QCOMPARE(window->Text1()->toPlainText(), report);
        QVERIFY(window->calculateCommand());
        QCOMPARE(greyed(), 0);
        QVERIFY(window->CS(11)->text() != area);

        // A failed calculation writes nothing, and what stays is stale.
        window->CS(10)->setText(QStringLiteral("0"));
        QVERIFY(!window->calculateCommand());
        QCOMPARE(greyed(), 3);
        window->CS(10)->setText(QStringLiteral("1000"));
        QCOMPARE(greyed(), 3);
        QVERIFY(window->calculateCommand());
        QCOMPARE(greyed(), 0);
    }

    void longResultsShowTheirStart()
    {
        showActive();
        window->CS(0)->setText(QStringLiteral("1e20"));
        window->CS(10)->setFocus();
        press(window->CS(10), Qt::Key_Return);
        QVERIFY(window->CS(11)->text().startsWith(QStringLiteral("1300000000000000000000.")));
        QVERIFY(window->CS(11)->fontMetrics().horizontalAdvance(window->CS(11)->text()) > window->CS(11)->width());
        QCOMPARE(window->CS(11)->cursorPosition(), 0);
        QCOMPARE(window->CS(12)->cursorPosition(), 0);
    }

    void buttonClicksOnlyByMouseSpaceAndEnter()
    {
        showActive();
        window->CS(10)->setText(QStringLiteral("5"));
        press(window->CS(3), Qt::Key_Escape);
        QVERIFY(window->CS(11)->text().isEmpty());
        window->Command1()->setFocus();
        press(window->Command1(), Qt::Key_Space);
        QCOMPARE(window->Text1()->document()->blockCount(), 7);
        window->CS(10)->setText(QStringLiteral("6"));
        window->Command1()->setFocus();
        press(window->Command1(), Qt::Key_Return);
        QCOMPARE(window->Text1()->document()->blockCount(), 8);
        window->CS(10)->setText(QStringLiteral("2"));
        QTest::mouseClick(window->Command1(), Qt::LeftButton);
        QCOMPARE(window->Text1()->document()->blockCount(), 4);
        QCOMPARE(focused(), static_cast<QWidget *>(window->Command1()));
        press(window->Text1(), Qt::Key_Return);
        QCOMPARE(window->Text1()->document()->blockCount(), 4);
    }

    void resultFieldsAreReadOnlyButFocusable()
    {
        showActive();
        QVERIFY(window->calculateCommand());
        const QString area = window->CS(11)->text();
        window->CS(11)->setFocus();
        QTRY_VERIFY(wholeTextSelected(window->CS(11)));
        QTest::keyClicks(window->CS(11), "99");
        QCOMPARE(window->CS(11)->text(), area);
        press(window->CS(11), Qt::Key_Return);
        QCOMPARE(focused(), static_cast<QWidget *>(window->CS(12)));
        QVERIFY(wholeTextSelected(window->CS(12)));
        press(window->CS(12), Qt::Key_Return);
        QCOMPARE(focused(), static_cast<QWidget *>(window->CS(12)));
        QVERIFY(services->errors.empty());
    }

    void linkLabelBoldWhileHeldAndOpensOnRelease()
    {
        showActive();
        QLabel *link = window->Label2();
        const Qt::MouseButton buttons[] = {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton};
        const Qt::KeyboardModifiers modifiers[] = {Qt::NoModifier, Qt::ShiftModifier, Qt::ControlModifier};
        for (int k = 0; k < 3; ++k) {
            QTest::mousePress(link, buttons[k], modifiers[k], QPoint(20, 10));
            QVERIFY(link->font().bold());
            QCOMPARE(services->openedUrls.size(), std::size_t(k));
            QTest::mouseRelease(link, buttons[k], modifiers[k], QPoint(20, 10));
            QVERIFY(!link->font().bold());
            QCOMPARE(services->openedUrls.size(), std::size_t(k + 1));
            QCOMPARE(services->openedUrls.back(), std::string(pierqty::PromoPageAddress));
        }
        QVERIFY(link->font().underline());
        QVERIFY(services->errors.empty());
        QVERIFY(window->CS(11)->text().isEmpty());
        QCOMPARE(focused(), static_cast<QWidget *>(window->CS(0)));

        services->launcherWorks = false;
        QTest::mouseClick(link, Qt::LeftButton);
        QVERIFY(!link->font().bold());
        QCOMPARE(services->errors.size(), std::size_t{1});
    }

    void saveSheetWritesTheSheetAndOpensIt()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        // A name with CJK and a blank, as documents folders have; a file of
        // that name is there already and is replaced whole.
        const QString path = folder.filePath(QStringLiteral("花瓶墩 计算书.html"));
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write(QByteArray(200000, 'x'));
        }
        services->savePath = path.toStdString();
        window->CS(9)->setText(QStringLiteral("0.5m")); // read as 0.5: same figures, marked on the sheet
        window->saveSheetAction()->trigger();

        QVERIFY2(services->errors.empty(), services->errors.empty() ? "" : services->errors[0].c_str());
        QCOMPARE(services->saveRequests.size(), std::size_t{1});
        const pierqty::SaveFileRequest &request = services->saveRequests[0];
        QVERIFY2(QRegularExpression(QStringLiteral("^计算书-20\\d{6}-\\d{4}\\.html$"))
                     .match(QString::fromStdString(request.suggestedName))
                     .hasMatch(),
                 request.suggestedName.c_str());
        QCOMPARE(request.extension, std::string("html"));
        // The screen shows what the sheet shows.
        QCOMPARE(window->CS(11)->text(), QStringLiteral("64.190447 m2"));

        QCOMPARE(FilesUnder(folder.path()), QStringList{QStringLiteral("花瓶墩 计算书.html")});
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QString sheet = QString::fromUtf8(saved.readAll());
        QVERIFY(sheet.startsWith(QStringLiteral("<!DOCTYPE html>")));
        QVERIFY(sheet.trimmed().endsWith(QStringLiteral("</html>")));
        QVERIFY(!sheet.contains(u'x' + QString(100, u'x')));
        QVERIFY(sheet.contains(QStringLiteral("花瓶墩模板面积及混凝土方量计算书")));
        QVERIFY(sheet.contains(QStringLiteral("64.190447")));
        QVERIFY(sheet.contains(QStringLiteral("38.653440")));
        QVERIFY(sheet.contains(QStringLiteral("0.5m")));
        QVERIFY(sheet.contains(QStringLiteral("※ l3")));

        QCOMPARE(services->openedUrls.size(), std::size_t{1});
        const QUrl url(QString::fromStdString(services->openedUrls[0]), QUrl::StrictMode);
        QVERIFY(url.isValid() && url.isLocalFile());
        QCOMPARE(url.toLocalFile(), path);
    }

    void saveSheetCancelledOrFaultyWritesNothing()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());

        services->savePath.reset(); // the user cancels
        QVERIFY(!window->saveSheetCommand());
        QCOMPARE(services->saveRequests.size(), std::size_t{1});
        QVERIFY(services->errors.empty() && services->openedUrls.empty());

        // A fault: the usual error box, and the dialog is never asked.
        services->savePath = folder.filePath(QStringLiteral("a.html")).toStdString();
        window->CS(10)->setText(QStringLiteral("0"));
        QVERIFY(!window->saveSheetCommand());
        QCOMPARE(services->errors.size(), std::size_t{1});
        QVERIFY(QString::fromStdString(services->errors[0]).contains(QStringLiteral("层数 n 为 0")));
        QCOMPARE(services->saveRequests.size(), std::size_t{1});
        QVERIFY(services->openedUrls.empty());
        QVERIFY(FilesUnder(folder.path()).isEmpty());
    }

    void saveSheetThatCannotBeWrittenLeavesNoFile()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("sub")));
        const QString targets[] = {
            folder.filePath(QStringLiteral("missing/a.html")), // a folder that does not exist
            folder.filePath(QStringLiteral("sub")), // a folder, not a file
            folder.filePath(QStringLiteral("sub/")),
        };
        std::size_t errors = 0;
        for (const QString &target : targets) {
            services->savePath = target.toStdString();
            QVERIFY(!window->saveSheetCommand());
            QCOMPARE(services->errors.size(), ++errors);
            QVERIFY2(QString::fromStdString(services->errors.back()).contains(QStringLiteral("计算书未保存")),
                     services->errors.back().c_str());
            QVERIFY(services->openedUrls.empty());
            QCOMPARE(FilesUnder(folder.path()), QStringList{QStringLiteral("sub")});
        }
        // A launcher that fails: the sheet is saved, and the box says where.
        services->savePath = folder.filePath(QStringLiteral("b.html")).toStdString();
        services->launcherWorks = false;
        QVERIFY(!window->saveSheetCommand());
        QCOMPARE(services->errors.size(), errors + 1);
        QVERIFY(QString::fromStdString(services->errors.back()).contains(QStringLiteral("b.html")));
        QVERIFY(QFile::exists(folder.filePath(QStringLiteral("b.html"))));
    }

    void reportMenuAndCtrlS()
    {
        showActive();
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString path = folder.filePath(QStringLiteral("k.html"));
        services->savePath = path.toStdString();

        // Ctrl+S wherever the focus is in the window.
        window->CS(3)->setFocus();
        press(window->CS(3), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(services->saveRequests.size(), std::size_t{1});
        QVERIFY(QFile::exists(path));
        QCOMPARE(window->CS(3)->text(), QStringLiteral("13.032"));
        window->Text1()->setFocus();
        press(window->Text1(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(services->saveRequests.size(), std::size_t{2});

        // The standard entries, a separator, then the two commands.
        const std::unique_ptr<QMenu> menu(window->createText1ContextMenu(QPoint(5, 5)));
        const QList<QAction *> actions = menu->actions();
        QVERIFY(actions.size() >= 5);
        QCOMPARE(actions.at(actions.size() - 1), window->copyResultsAction());
        QCOMPARE(actions.at(actions.size() - 2), window->saveSheetAction());
        QVERIFY(actions.at(actions.size() - 3)->isSeparator());
        QStringList standard;
        for (qsizetype k = 0; k + 3 < actions.size(); ++k)
            standard << actions.at(k)->objectName();
        QVERIFY2(standard.contains(QStringLiteral("edit-copy")) && standard.contains(QStringLiteral("select-all")),
                 qPrintable(standard.join(u',')));
        QCOMPARE(window->saveSheetAction()->text(), QStringLiteral("保存计算书…"));
        QCOMPARE(window->copyResultsAction()->text(), QStringLiteral("复制结果"));

        // A right click on the report opens it.
        QWidget *viewport = window->Text1()->viewport();
        QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(20, 20), viewport->mapToGlobal(QPoint(20, 20)));
        QApplication::sendEvent(viewport, &rightClick);
        QTRY_VERIFY(qobject_cast<QMenu *>(QApplication::activePopupWidget()) != nullptr);
        auto *popup = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(popup->actions().contains(window->saveSheetAction()));
        QVERIFY(popup->actions().contains(window->copyResultsAction()));
        popup->close();
    }

    void copyResultsPutsCellsOnTheClipboard()
    {
        QVERIFY(window->copyResultsCommand());
        QCOMPARE(services->clipboardTexts.size(), std::size_t{1});
        const QString text = QString::fromStdString(services->clipboardTexts[0]);
        QVERIFY(text.endsWith(QStringLiteral("\r\n")));
        QStringList lines = text.split(QStringLiteral("\r\n"));
        lines.removeLast();
        QVERIFY(!text.contains(QRegularExpression(QStringLiteral("[^\r]\n"))));
        // Three cells a line: name, value, unit; every value a plain number.
        for (const QString &line : lines)
            QCOMPARE(line.count(u'\t'), 2);
        QCOMPARE(lines.at(0), QStringLiteral("项目\t数值\t单位"));
        QVERIFY(lines.contains(QStringLiteral("模板面积 S（分层法）\t64.190447\tm²")));
        QVERIFY(lines.contains(QStringLiteral("混凝土方量 V（分层法）\t38.653440\tm³")));
        QVERIFY(lines.contains(QStringLiteral("底截面积 S0\t4.360000\tm²")));
        QVERIFY(lines.contains(QStringLiteral("单层高\t0.003000\tm")));
        QHash<QString, double> value;
        for (qsizetype k = 1; k < lines.size(); ++k) {
            const QStringList cells = lines.at(k).split(u'\t');
            bool number = false;
            value[cells.at(0)] = cells.at(1).toDouble(&number);
            QVERIFY2(number && QRegularExpression(QStringLiteral("^-?\\d+\\.\\d{6}$")).match(cells.at(1)).hasMatch(),
                     qPrintable(lines.at(k)));
            QVERIFY(cells.at(2) == QStringLiteral("m²") || cells.at(2) == QStringLiteral("m³") ||
                    cells.at(2) == QStringLiteral("m"));
        }
        // The exact figures beside the layered ones: a curved face is larger
        // than its projection, and the four faces make up the flare.
        QVERIFY(value.contains(QStringLiteral("混凝土方量 V（精确）")));
        QVERIFY(value[QStringLiteral("模板面积 S（真实）")] > value[QStringLiteral("模板面积 S（精确，投影）")]);
        const double faces = value[QStringLiteral("花瓶段端面（2 面，真实）")] +
            value[QStringLiteral("花瓶段带槽面（2 面，含槽底，真实）")] +
            value[QStringLiteral("花瓶段槽侧面（4 面，真实）")] + value[QStringLiteral("花瓶段倒角面（4 面，真实）")];
        QVERIFY(qAbs(faces - value[QStringLiteral("花瓶段模板（真实）")]) < 5e-6);
        QVERIFY(qAbs(value[QStringLiteral("墩身体积")] + value[QStringLiteral("花瓶段体积（分层法）")] +
                     value[QStringLiteral("墩帽体积")] - 38.653440) < 5e-6);
        // The same figures as the sheet.
        const auto sheet = pierqty::sheet::CalculationSheetFromTexts(pierqty::DefaultParameterTexts(), {}, {});
        QVERIFY(sheet.ok());
        for (qsizetype k = 1; k < lines.size(); ++k)
            QVERIFY2(sheet.value().find(lines.at(k).split(u'\t').at(1).toStdString()) != std::string::npos,
                     qPrintable(lines.at(k)));

        // Where the exact method does not apply, one line says why.
        window->CS(0)->setText(QStringLiteral("0.5")); // the groove is wider than the face
        QVERIFY(window->copyResultsCommand());
        const QString other = QString::fromStdString(services->clipboardTexts.back());
        QVERIFY2(other.contains(QStringLiteral("\r\n精确法不适用\t")), qPrintable(other));
        QVERIFY(!other.contains(QStringLiteral("精确）")) && !other.contains(QStringLiteral("真实")));
        QVERIFY(other.contains(QStringLiteral("模板面积 S（分层法）\t")));

        // A fault: the error box, the clipboard untouched.
        window->CS(10)->setText(QStringLiteral("0"));
        QVERIFY(!window->copyResultsCommand());
        QCOMPARE(services->clipboardTexts.size(), std::size_t{2});
        QCOMPARE(services->errors.size(), std::size_t{1});
    }

    void errorBoxForAHugeFieldFitsTheScreen()
    {
        // The real message box, as the program shows it.
        pierqty::QtDesktopServices desktop;
        Hdun real(desktop);
        desktop.setParent(&real);
        real.show();
        QVERIFY(QTest::qWaitForWindowActive(&real));
        real.CS(0)->setText(QStringLiteral("1e999") + QString(1 << 20, u'9'));
        QRect box;
        QString shown;
        QTimer::singleShot(0, &real, [&] {
            if (auto *messageBox = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                box = messageBox->frameGeometry();
                shown = messageBox->text();
                messageBox->accept();
            }
        });
        QVERIFY(!real.calculateCommand());
        QVERIFY(!box.isNull());
        const QRect screen = real.screen()->availableGeometry();
        QVERIFY(shown.contains(QStringLiteral("1e999")));
        QVERIFY2(box.width() < screen.width() * 2 / 3 && box.height() < screen.height() / 2,
                 qPrintable(QStringLiteral("%1 x %2").arg(box.width()).arg(box.height())));
        QVERIFY(real.CS(11)->text().isEmpty());
    }

    void qtOwnTextsAreChinese()
    {
        QTranslator *translator = pierqty::InstallQtChineseTranslation(*qApp);
        QVERIFY2(translator, "qtbase_zh_CN.qm is missing from Qt's translations folder");
        const std::unique_ptr<QMenu> menu(window->CS(0)->createStandardContextMenu());
        QString actions;
        for (const QAction *action : menu->actions())
            actions += action->text() + u'|';
        QVERIFY2(actions.startsWith(QStringLiteral("撤消(&U)")), qPrintable(actions));
        QVERIFY2(actions.contains(QStringLiteral("|粘贴(&P)")), qPrintable(actions));
        QMessageBox box;
        QCOMPARE(box.addButton(QMessageBox::Ok)->text(), QStringLiteral("确定"));
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }

    void pictureTakesFocusWithoutReacting()
    {
        showActive();
        window->Picture1()->setFocus();
        QCOMPARE(focused(), static_cast<QWidget *>(window->Picture1()));
        press(window->Picture1(), Qt::Key_Return);
        press(window->Picture1(), Qt::Key_Space);
        QVERIFY(window->CS(11)->text().isEmpty());
        // The drawing: light lines on black, filling the box inside its border.
        const QImage image = window->Picture1()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        int dark = 0, light = 0;
        for (int y = 2; y < 530; y += 2) {
            for (int x = 2; x < 464; x += 2) {
                const int v = qGray(image.pixel(x, y));
                dark += v < 40;
                light += v > 150;
            }
        }
        QVERIFY2(dark > 50000, qPrintable(QString::number(dark)));
        QVERIFY2(light > 800, qPrintable(QString::number(light)));
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
