// The window, driven as a user drives it (offscreen platform).
#include "calc/parameters.h"
#include "calc/texts.h"
#include "platform/desktop_qt.h"
#include "ui/qt/hdun.h"

#include <QMenu>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTranslator>
#include <QtTest>

#include <memory>
#include <string>
#include <vector>

using pierqty::Hdun;

namespace {

class FakeServices final : public pierqty::DesktopServices
{
public:
    void reportError(const std::string &message) override { errors.push_back(message); }
    bool openUrl(const std::string &url) override
    {
        urls.push_back(url);
        return launcherWorks;
    }
    std::vector<std::string> errors;
    std::vector<std::string> urls;
    bool launcherWorks = true;
};

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

    void controlsStandAtTheirBoxes()
    {
        QCOMPARE(window->size(), QSize(672, 528));
        QCOMPARE(window->minimumSize(), window->maximumSize());
        for (int i = 0; i < Hdun::kFieldCount; ++i) {
            const int top = i <= 10 ? 16 + 24 * i : (i == 11 ? 320 : 344);
            QCOMPARE(window->CS(i)->geometry(), QRect(32, top, 169, 18));
            QCOMPARE(window->Label1(i)->geometry(), QRect(8, top, 33, 17));
            QCOMPARE(window->CS(i)->isReadOnly(), i >= 11);
        }
        QCOMPARE(window->Command1()->geometry(), QRect(8, 280, 193, 33));
        QCOMPARE(window->Text1()->geometry(), QRect(8, 368, 193, 121));
        QCOMPARE(window->Label2()->geometry(), QRect(8, 496, 193, 25));
        QCOMPARE(window->Picture1()->geometry(), QRect(208, 0, 466, 532));
        QCOMPARE(window->Picture1()->contentsRect(), QRect(2, 2, 462, 528));
        QCOMPARE(window->Line1()->geometry().top(), 8);
        QCOMPARE(window->Line1()->geometry().left(), 8);
        QCOMPARE(window->Line1()->geometry().right(), 200);
        // Each field is drawn above the part of its caption that reaches under it.
        QVERIFY(window->CS(0)->childAt(1, 1) == nullptr);
        QCOMPARE(window->childAt(33, 20), static_cast<QWidget *>(window->CS(0)));
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
            QCOMPARE(services->urls.size(), std::size_t(k));
            QTest::mouseRelease(link, buttons[k], modifiers[k], QPoint(20, 10));
            QVERIFY(!link->font().bold());
            QCOMPARE(services->urls.size(), std::size_t(k + 1));
            QCOMPARE(services->urls.back(), std::string(pierqty::PromoPageAddress));
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
