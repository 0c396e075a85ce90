// The window, driven as a user drives it (offscreen platform).
#include "platform/desktop_fake.h"
#include "ui/form/form.h"
#include "ui/qt/desktop_qt.h"
#include "ui/qt/hdun.h"
#include "ui/qt/title_dialog.h"

#include <QDialog>
#include <QFile>
#include <QFormLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include <memory>
#include <string>
#include <vector>

using pierqty::Hdun;
namespace form = pierqty::form;

namespace {

using FakeServices = pierqty::FakeDesktopServices;

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

    // Once a modal dialog is up: runs act on it (which closes it).
    static void whenDialogShows(const std::function<void(QDialog *)> &act)
    {
        QTimer::singleShot(20, [act] {
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                act(dialog);
            else
                whenDialogShows(act);
        });
    }

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

    QWidget *widget(form::ControlRef ref) const { return window->widget(ref); }

    void controlsStandAndReadAsTheFormSays()
    {
        QCOMPARE(window->size(), QSize(672, 528));
        QCOMPARE(window->minimumSize(), window->maximumSize());
        for (const form::Control &control : form::Controls()) {
            QWidget *shown = widget(control.ref);
            const form::Rect box = form::ToPixels(control.twips, 96);
            const QString name =
                QString::fromUtf8(form::NameText(control.ref.name)) + QString::number(control.ref.index);
            QVERIFY2(shown->parent() == window.get(), qPrintable(name));
            QCOMPARE(shown->geometry(), QRect(box.left, box.top, box.width, box.height));
            QCOMPARE(shown->focusPolicy() != Qt::NoFocus, control.takesFocus);
            if (control.kind == form::Kind::Label || control.kind == form::Kind::Button)
                QCOMPARE(shown->property("text").toString().toStdString(), std::string(control.text));
            QCOMPARE(shown->font().bold(), control.font.weight >= 700);
            QCOMPARE(shown->font().underline(), control.font.underline);
        }
        // Each field is drawn over the part of its caption under it.
        for (int i = 0; i < Hdun::kFieldCount; ++i) {
            const QPoint shared = window->Label1(i)->geometry().intersected(window->CS(i)->geometry()).center();
            QCOMPARE(window->childAt(shared), static_cast<QWidget *>(window->CS(i)));
            QCOMPARE(window->CS(i)->isReadOnly(), i >= form::kInputCount);
        }
        QCOMPARE(window->Label2()->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QVERIFY(window->Text1()->isReadOnly());
        QCOMPARE(window->Text1()->lineWrapMode(), QPlainTextEdit::WidgetWidth);

        // The hint: the report box shows CR LF line breaks as its own paragraph breaks.
        QCOMPARE(window->Text1()->toPlainText().replace(u'\n', QStringLiteral("\r\n")).toStdString(),
                 std::string(form::ReportHint()));
        QCOMPARE(window->windowTitle().toStdString(), std::string(form::kWindowTitle));
    }

    void opensWithFirstFieldSelected()
    {
        showActive();
        QCOMPARE(focused(), static_cast<QWidget *>(window->CS(0)));
        QVERIFY(wholeTextSelected(window->CS(0)));
        QTest::keyClicks(window->CS(0), "7");
        QCOMPARE(window->CS(0)->text(), QStringLiteral("7"));
    }

    void tabFollowsTheFormsOrderBothWays()
    {
        showActive();
        const std::vector<form::ControlRef> order = form::TabOrder();
        for (std::size_t k = 1; k <= order.size(); ++k) {
            press(focused(), Qt::Key_Tab);
            QCOMPARE(focused(), widget(order[k % order.size()]));
            if (auto *field = dynamic_cast<pierqty::FieldEdit *>(focused()))
                QVERIFY(wholeTextSelected(field));
        }
        for (std::size_t k = order.size(); k-- > 0;) {
            press(focused(), Qt::Key_Backtab, Qt::ShiftModifier);
            QCOMPARE(focused(), widget(order[k]));
        }
    }

    void mouseFocusSelectsTheTextAndAnEmptyFieldShowsNoSelection()
    {
        showActive();
        QTest::mouseClick(window->CS(3), Qt::LeftButton, {}, QPoint(30, 9));
        QTRY_VERIFY(wholeTextSelected(window->CS(3)));
        QCOMPARE(window->CS(3)->selectedText(), QStringLiteral("13.032"));
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

    // How the view paints what the controller shows (the flow is tested
    // once, in form_test.cpp).
    void marksAndGreyArePainted()
    {
        showActive();
        const QColor plainBase = window->CS(0)->palette().color(QPalette::Base);
        const QColor plainText = window->CS(11)->palette().color(QPalette::Text);
        const auto marked = [&](int i) { return window->CS(i)->palette().color(QPalette::Base) != plainBase; };
        const auto greyed = [&] {
            return int(window->CS(11)->palette().color(QPalette::Text) != plainText) +
                int(window->CS(12)->palette().color(QPalette::Text) != plainText) +
                int(window->Text1()->palette().color(QPalette::Text) != plainText);
        };
        window->CS(0)->setText(QStringLiteral("2，5"));
        QVERIFY(window->calculateCommand());
        QVERIFY(marked(0) && !marked(1) && greyed() == 0);
        QCOMPARE(window->CS(0)->toolTip(), QStringLiteral("按 2 计算"));
        window->CS(0)->setFocus();
        press(window->CS(0), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(window->CS(0), "3");
        QVERIFY(!marked(0) && window->CS(0)->toolTip().isEmpty() && greyed() == 3);
        QCOMPARE(window->Text1()->toolTip().toStdString(), std::string(form::kStaleToolTip));

        // A pier that cannot be built: its field rose, S and V dark red.
        window->CS(0)->setText(QStringLiteral("-1"));
        QVERIFY(window->calculateCommand());
        QCOMPARE(window->CS(0)->palette().color(QPalette::Base), pierqty::ToQColor(form::kUnbuildableBackground));
        for (const int figure : {form::kAreaField, form::kVolumeField}) {
            QCOMPARE(window->CS(figure)->palette().color(QPalette::Text), pierqty::ToQColor(form::kNotQuantitiesText));
            QCOMPARE(window->CS(figure)->toolTip().toStdString(), std::string(form::kNotQuantitiesToolTip));
        }
        window->CS(0)->setText(QStringLiteral("2.5"));
        QVERIFY(window->calculateCommand());
        QVERIFY(!marked(0) && greyed() == 0 && window->CS(11)->toolTip().isEmpty() &&
                window->Text1()->toolTip().isEmpty());
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
            QCOMPARE(services->openedUrls.back(), std::string(form::PromoPageAddress));
        }
        QCOMPARE(focused(), static_cast<QWidget *>(window->CS(0)));
    }

    // Ctrl+S wherever the focus is, the title block's dialog (its rows from
    // the form's table, what is typed there reaching the sheet), the file URL
    // handed to the browser, and the report's menu.
    void reportMenuAndCtrlSReachTheCommands()
    {
        showActive();
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString path = folder.filePath(QStringLiteral("计算书 k.html"));
        services->savePath = path.toStdString();
        QStringList captions;
        whenDialogShows([&](QDialog *dialog) {
            const auto *layout = dialog->findChild<QFormLayout *>();
            for (int row = 0; layout && row < layout->rowCount(); ++row)
                if (auto *label = qobject_cast<QLabel *>(layout->itemAt(row, QFormLayout::LabelRole)->widget()))
                    captions << label->text();
            dialog->findChild<QLineEdit *>(QStringLiteral("title0"))->setText(QStringLiteral("某某大桥"));
            dialog->accept();
        });
        window->CS(3)->setFocus();
        press(window->CS(3), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(captions.size(), qsizetype(form::TitleFields().size()));
        for (std::size_t k = 0; k < form::TitleFields().size(); ++k)
            QCOMPARE(captions.value(qsizetype(k)).toStdString(), std::string(form::TitleFields()[k].caption) + "：");
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly) && saved.readAll().contains("某某大桥"));
        QCOMPARE(services->openedUrls.size(), std::size_t{1});
        const QUrl url(QString::fromStdString(services->openedUrls[0]), QUrl::StrictMode);
        QVERIFY(url.isValid() && url.isLocalFile());
        QCOMPARE(url.toLocalFile(), path);

        // The menu: the standard entries, a separator, then the commands.
        const std::unique_ptr<QMenu> menu(window->createText1ContextMenu(QPoint(5, 5)));
        const QList<QAction *> actions = menu->actions();
        QVERIFY(actions.size() >= 8);
        QCOMPARE(actions.at(actions.size() - 1), window->addToBridgeAction());
        QVERIFY(actions.at(actions.size() - 2)->isSeparator());
        QCOMPARE(actions.at(actions.size() - 3), window->copyResultsAction());
        QCOMPARE(actions.at(actions.size() - 4), window->exportWorkbookAction());
        QCOMPARE(actions.at(actions.size() - 5), window->saveSheetAction());
        QVERIFY(actions.at(actions.size() - 6)->isSeparator());
        QCOMPARE(window->addToBridgeAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+B")));
        QCOMPARE(actions.at(0)->objectName(), QStringLiteral("edit-copy"));
        QCOMPARE(window->saveSheetAction()->text().toStdString(), std::string(form::kSaveSheetCaption));
        QCOMPARE(window->exportWorkbookAction()->text().toStdString(), std::string(form::kExportWorkbookCaption));
        QCOMPARE(window->copyResultsAction()->text().toStdString(), std::string(form::kCopyResultsCaption));
        window->copyResultsAction()->trigger();
        QCOMPARE(services->clipboardTexts.size(), std::size_t{1});
        services->savePath = folder.filePath(QStringLiteral("清单.xlsx")).toStdString();
        window->exportWorkbookAction()->trigger();
        QCOMPARE(services->saveRequests.back().extension, std::string("xlsx"));
        QVERIFY(QFile::exists(folder.filePath(QStringLiteral("清单.xlsx"))));

        // A right click on the report opens it.
        QWidget *viewport = window->Text1()->viewport();
        QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(20, 20), viewport->mapToGlobal(QPoint(20, 20)));
        QApplication::sendEvent(viewport, &rightClick);
        QTRY_VERIFY(qobject_cast<QMenu *>(QApplication::activePopupWidget()) != nullptr);
        auto *popup = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(popup->actions().contains(window->saveSheetAction()));
        popup->close();
    }

    // Ctrl+B in a field (where X11's line edit would take it as a cursor
    // key): the bridge window's model gets the texts on screen as a row,
    // under the 墩号 the dialog gives.
    void ctrlBAddsThePierToTheBridge()
    {
        pierqty::bridge::BridgeModel model;
        window->controller().openBridge = [&]() -> pierqty::bridge::BridgeModel & { return model; };
        window->askPierIdHook = [](const std::string &suggested) { return std::optional<std::string>("P" + suggested); };
        showActive();
        window->CS(4)->setFocus();
        press(window->CS(4), Qt::Key_B, Qt::ControlModifier);
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.input(0).id, std::string("P1"));
        QCOMPARE(model.input(0).texts, pierqty::DefaultParameterTexts());
    }

    void settingsRoundTripThroughQSettings()
    {
        QStandardPaths::setTestModeEnabled(true); // ~/.qttest, never the user's own
        pierqty::QtDesktopServices desktop{std::string(form::kErrorBoxTitle)};
        const std::string basis = "甲\n乙 “丙”";
        desktop.storeSetting("titleBlock/basis", basis);
        QCOMPARE(desktop.setting("titleBlock/basis").value_or(""), basis);
        QVERIFY(!desktop.setting("titleBlock/none").has_value());
        QVERIFY(!desktop.programFolder().empty());
        QStandardPaths::setTestModeEnabled(false);
    }

    void errorBoxForAHugeFieldFitsTheScreen()
    {
        // The real message box, as the program shows it.
        pierqty::QtDesktopServices desktop{std::string(form::kErrorBoxTitle)};
        Hdun real(desktop);
        desktop.setParent(&real);
        real.show();
        QVERIFY(QTest::qWaitForWindowActive(&real));
        real.CS(0)->setText(QStringLiteral("1e999") + QString(1 << 20, u'9'));
        QRect box;
        QString shown, title;
        QTimer::singleShot(0, &real, [&] {
            if (auto *messageBox = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                box = messageBox->frameGeometry();
                shown = messageBox->text();
                title = messageBox->windowTitle();
                messageBox->accept();
            }
        });
        QVERIFY(!real.calculateCommand());
        QVERIFY(!box.isNull());
        const QRect screen = real.screen()->availableGeometry();
        QVERIFY(shown.contains(QStringLiteral("1e999")));
        QCOMPARE(title, real.windowTitle());
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
