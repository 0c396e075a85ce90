// The Qt bridge window's wiring, driven by keys and menus (offscreen): cells,
// the state column, totals, the clipboard, undo, the menus, the unsaved mark.
#include "platform/desktop_fake.h"
#include "ui/qt/bridge_window.h"

#include <QClipboard>
#include <QLineEdit>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>

using pierqty::BridgeWindow;
namespace bridge = pierqty::bridge;

namespace {

constexpr int kH1 = bridge::kFirstInputColumn + pierqty::kFieldH1;

// A 30-pier bridge differing in H1; pier 7's L1 is no number.
std::string ThirtyPiers()
{
    std::string csv = "id,L1,H1\n";
    for (int k = 1; k <= 30; ++k) {
        csv += 'P';
        csv += std::to_string(k);
        csv += k == 7 ? ",2,5," : ",2.5,";
        csv += std::to_string(3 + k % 5);
        csv += '\n';
    }
    csv.replace(csv.find("2,5"), 3, "\"2,5\"");
    return csv;
}

} // namespace

class BridgeWindowTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir folder;
    std::unique_ptr<pierqty::FakeDesktopServices> services;
    std::unique_ptr<BridgeWindow> window;

    QString write(const char *name, const std::string &bytes)
    {
        const QString path = folder.filePath(QString::fromUtf8(name));
        std::ofstream(path.toStdString(), std::ios::binary) << bytes;
        return path;
    }

    QString cell(int row, int column) const { return window->table()->model()->index(row, column).data().toString(); }

    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : window->table();
        QTest::keyClick(target, key, modifiers);
        QCoreApplication::processEvents();
    }

private slots:
    void init()
    {
        services = std::make_unique<pierqty::FakeDesktopServices>();
        window = std::make_unique<BridgeWindow>(*services);
        window->askUnsavedHook = [] { return BridgeWindow::UnsavedAnswer::Discard; };
        QVERIFY(window->openFile(write("piers.csv", ThirtyPiers())));
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        window->table()->setFocus();
    }

    void cleanup() { window.reset(); }

    void showsThePiersTheirStateAndTheTotals()
    {
        QCOMPARE(window->windowTitle(), QStringLiteral("桥梁工程量汇总 - piers.csv"));
        QCOMPARE(window->table()->model()->rowCount(), 31);
        // Every column of a good pier, of one that is no number, and the totals.
        for (int column = 0; column < bridge::kColumnCount; ++column) {
            for (const int row : {0, 6})
                QCOMPARE(cell(row, column).toStdString(), window->model().cellText(row, column));
            QCOMPARE(cell(30, column).toStdString(), window->model().totalsText(column));
        }
        QVERIFY(!cell(6, bridge::kStateColumn).isEmpty());
        QVERIFY(window->summary()->text().startsWith(QStringLiteral("合计不含 1 个墩\n工程量清单：040303005001 ")));
        QVERIFY(!(window->table()->model()->flags(window->table()->model()->index(30, kH1)) & Qt::ItemIsEditable));
    }

    void anEditedH1ChangesTheTotalsAndMarksTheTitle()
    {
        const QString before = cell(30, bridge::kFirstFigureColumn);
        window->table()->setCurrentIndex(window->table()->model()->index(4, kH1));
        key(Qt::Key_F2);
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("12.5"));
        key(Qt::Key_Return);
        QCOMPARE(window->model().input(4).texts[pierqty::kFieldH1], std::string("12.5"));
        QCOMPARE(window->table()->currentIndex(), window->table()->model()->index(5, kH1)); // Enter moves down
        QVERIFY(cell(30, bridge::kFirstFigureColumn) != before);
        QCOMPARE(window->windowTitle(), QStringLiteral("桥梁工程量汇总 - piers.csv*"));
        QCOMPARE(window->action(bridge::Command::Undo)->text(), QStringLiteral("撤销 编辑 H1"));
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(cell(30, bridge::kFirstFigureColumn), before);
        QCOMPARE(window->windowTitle(), QStringLiteral("桥梁工程量汇总 - piers.csv"));
        key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(cell(4, kH1), QStringLiteral("12.5"));
    }

    void selectAllAndCopyPutsTheWholeTableOnTheClipboard()
    {
        key(Qt::Key_A, Qt::ControlModifier);
        key(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(services->clipboardTexts.size(), std::size_t{1});
        QCOMPARE(services->clipboardTexts.back(), window->model().copyTable());
    }

    void pasteFromExcelStartsAtTheCurrentCellAndGrows()
    {
        services->clipboard = "4.5\r\n5.5\r\n6.5\r\n";
        window->table()->setCurrentIndex(window->table()->model()->index(29, kH1));
        key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(window->model().rowCount(), 32);
        QCOMPARE(cell(31, kH1), QStringLiteral("6.5"));
        QCOMPARE(window->table()->model()->rowCount(), 33);
        QCOMPARE(window->table()->selectionModel()->selectedIndexes().size(), 3);
    }

    // A double-click on a computed cell or the row's number hands the row to
    // the calculator; on a typed cell it edits.
    void doubleClickOnAFigureLoadsTheRowIntoTheCalculator()
    {
        std::vector<pierqty::ParameterTexts> loaded;
        window->controller().loadIntoCalculator = [&](const pierqty::ParameterTexts &texts) { loaded.push_back(texts); };
        QTableView *table = window->table();
        const auto doubleClick = [&](int row, int column) {
            const QRect cellBox = table->visualRect(table->model()->index(row, column));
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cellBox.center());
            QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cellBox.center());
        };
        doubleClick(3, bridge::kFirstFigureColumn);
        QCOMPARE(loaded.size(), std::size_t{1});
        QCOMPARE(loaded[0][pierqty::kFieldH1], std::string("7"));
        table->scrollTo(table->model()->index(3, kH1));
        doubleClick(3, kH1);
        QCOMPARE(loaded.size(), std::size_t{1});
        QVERIFY(QApplication::focusWidget() != table); // an editor is open
    }

    void menusCarryTheModelsCommands()
    {
        const auto menus = window->menuBar()->actions();
        QCOMPARE(menus.size(), 3);
        QCOMPARE(menus[0]->text(), QStringLiteral("文件"));
        QCOMPARE(menus[1]->text(), QStringLiteral("编辑"));
        QCOMPARE(menus[2]->text(), QStringLiteral("导出"));
        QCOMPARE(window->action(bridge::Command::FillDown)->shortcut(), QKeySequence(QStringLiteral("Ctrl+D")));
        window->table()->selectionModel()->select(
            QItemSelection(window->table()->model()->index(0, kH1), window->table()->model()->index(3, kH1)),
            QItemSelectionModel::ClearAndSelect);
        window->table()->selectionModel()->setCurrentIndex(window->table()->model()->index(0, kH1),
                                                           QItemSelectionModel::NoUpdate);
        window->action(bridge::Command::FillDown)->trigger();
        QCOMPARE(cell(3, kH1), cell(0, kH1));
        key(Qt::Key_Delete);
        QCOMPARE(cell(2, kH1), QString());
        QCOMPARE(cell(2, bridge::kStateColumn), QStringLiteral("H1 空白，取默认值 3.00"));
        QCOMPARE(window->action(bridge::Command::Undo)->text(), QStringLiteral("撤销 清除内容"));
        window->action(bridge::Command::DeleteRows)->trigger();
        QCOMPARE(window->model().rowCount(), 26);
    }

    void closingAsksAboutUnsavedChanges()
    {
        window->model().setCell(0, kH1, "9");
        int asked = 0;
        window->askUnsavedHook = [&] {
            ++asked;
            return BridgeWindow::UnsavedAnswer::Cancel;
        };
        QVERIFY(!window->close());
        QCOMPARE(asked, 1);
        const QString saved = folder.filePath(QStringLiteral("saved.csv"));
        services->savePath = saved.toStdString();
        window->askUnsavedHook = [] { return BridgeWindow::UnsavedAnswer::Save; };
        window->action(bridge::Command::SaveAs)->trigger();
        QCOMPARE(window->windowTitle(), QStringLiteral("桥梁工程量汇总 - saved.csv"));
        QVERIFY(window->close());
    }
};

QTEST_MAIN(BridgeWindowTest)
#include "bridge_window_test.moc"
