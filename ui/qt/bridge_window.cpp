#include "ui/qt/bridge_window.h"
#include "ui/qt/controls.h"

#include <QAction>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace pierqty {

namespace {

QString Q(const std::string &utf8)
{
    return QString::fromStdString(utf8);
}

QString Q(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// Enter ends an edit and moves down a row, as in a spreadsheet (Tab moves
// right, as QTableView does).
class BridgeTableView final : public QTableView
{
protected:
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override
    {
        QTableView::closeEditor(editor, hint);
        const QModelIndex current = currentIndex();
        if (hint == QAbstractItemDelegate::SubmitModelCache && current.isValid())
            setCurrentIndex(model()->index(std::min(current.row() + 1, model()->rowCount() - 1), current.column()));
    }
};

const bridge::Column &ColumnAt(int column)
{
    return bridge::Columns()[static_cast<std::size_t>(column)];
}

} // namespace

BridgeTableModel::BridgeTableModel(bridge::BridgeModel &model, QObject *parent)
    : QAbstractTableModel(parent), m_model(model)
{
    m_model.setListener(this);
}

BridgeTableModel::~BridgeTableModel()
{
    m_model.setListener(nullptr);
}

int BridgeTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_model.rowCount() + 1;
}

int BridgeTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : bridge::kColumnCount;
}

QVariant BridgeTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() > totalsRow() || index.column() >= bridge::kColumnCount)
        return {};
    const int row = index.row(), column = index.column();
    const bool totals = row == totalsRow();
    const bridge::Column &info = ColumnAt(column);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return Q(totals ? m_model.totalsText(column) : m_model.cellText(row, column));
    case Qt::ToolTipRole:
        return info.kind == bridge::ColumnKind::State ? Q(totals ? m_model.leftOutLine() : m_model.state(row))
                                                      : QVariant();
    case Qt::TextAlignmentRole:
        return info.kind == bridge::ColumnKind::Figure ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    case Qt::FontRole:
        if (totals) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::ForegroundRole:
        return !totals && info.kind == bridge::ColumnKind::State && !m_model.counted(row) ? QVariant(QColor(160, 0, 0))
                                                                                          : QVariant();
    default:
        return {};
    }
}

QVariant BridgeTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return Q(ColumnAt(section).caption);
    return section == totalsRow() ? Q(bridge::kTotalsLabel) : QString::number(section + 1);
}

Qt::ItemFlags BridgeTableModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (index.isValid() && index.row() < totalsRow() && ColumnAt(index.column()).editable())
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool BridgeTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.row() >= totalsRow())
        return false;
    m_model.setCell(index.row(), index.column(), value.toString().toStdString());
    return true;
}

void BridgeTableModel::rowsAboutToBeInserted(int first, int count)
{
    beginInsertRows({}, first, first + count - 1);
}

void BridgeTableModel::rowsInserted(int, int)
{
    endInsertRows();
}

void BridgeTableModel::rowsAboutToBeRemoved(int first, int count)
{
    beginRemoveRows({}, first, first + count - 1);
}

void BridgeTableModel::rowsRemoved(int, int)
{
    endRemoveRows();
}

void BridgeTableModel::rowsChanged(int first, int last)
{
    emit dataChanged(index(first, 0), index(last, bridge::kColumnCount - 1));
}

void BridgeTableModel::aboutToReset()
{
    beginResetModel();
}

void BridgeTableModel::reset()
{
    endResetModel();
}

void BridgeTableModel::totalsChanged()
{
    emit dataChanged(index(totalsRow(), 0), index(totalsRow(), bridge::kColumnCount - 1));
    if (onTotalsChanged)
        onTotalsChanged();
}

void BridgeTableModel::titleChanged()
{
    if (onTitleChanged)
        onTitleChanged();
}

BridgeWindow::BridgeWindow(DesktopServices &services, QWidget *parent)
    : QMainWindow(parent), m_services(services), m_tableModel(new BridgeTableModel(m_model, this)),
      m_table(new BridgeTableView), m_summary(new QLabel)
{
    m_table->setModel(m_tableModel);
    m_table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Widths fitted once per file, not after every edit, and from the first
    // rows only: a header that resizes to its contents measures every cell
    // of 1,000 rows each time a figure changes.
    m_table->horizontalHeader()->setResizeContentsPrecision(100);
    m_table->horizontalHeader()->setStretchLastSection(true);
    // Room for a typed length such as 12.345 in the narrowest column.
    m_table->horizontalHeader()->setMinimumSectionSize(
        m_table->fontMetrics().horizontalAdvance(QStringLiteral("00.0000")));
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 8);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_summary);
    setCentralWidget(central);
    buildMenus();
    m_tableModel->onTotalsChanged = [this] { updateSummary(); };
    m_tableModel->onTitleChanged = [this] { updateTitle(); };
    connect(m_tableModel, &QAbstractItemModel::modelReset, this,
            [this] { QTimer::singleShot(0, this, [this] { fitColumns(); }); });
    // A double-click on a row's number or on a computed cell shows that pier
    // in the calculator; on a typed cell it edits, as in a spreadsheet.
    connect(m_table, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
        if (!ColumnAt(index.column()).editable())
            m_controller.activateRow(index.row());
    });
    connect(m_table->verticalHeader(), &QHeaderView::sectionDoubleClicked, this,
            [this](int row) { m_controller.activateRow(row); });
    updateSummary();
    updateTitle();
    fitColumns();
    // Every column in view where the screen is wide enough.
    int width = m_table->verticalHeader()->sizeHint().width() + m_table->verticalScrollBar()->sizeHint().width() + 40;
    for (int column = 0; column < bridge::kColumnCount; ++column)
        width += m_table->columnWidth(column);
    const QScreen *screen = QGuiApplication::primaryScreen();
    const int available = screen ? screen->availableGeometry().width() * 9 / 10 : 1200;
    resize(std::clamp(width, 800, std::max(800, available)), 600);
}

// The table and its model go before the bridge model they read, which as a
// member would otherwise be destroyed before QWidget deletes the children.
BridgeWindow::~BridgeWindow()
{
    delete centralWidget();
    delete m_tableModel;
}

void BridgeWindow::buildMenus()
{
    std::map<std::string_view, QMenu *> menus;
    for (const bridge::CommandInfo &info : bridge::Commands()) {
        QMenu *&menu = menus[info.menu];
        if (!menu)
            menu = menuBar()->addMenu(Q(info.menu));
        QAction *action = menu->addAction(Q(info.caption));
        if (!info.shortcut.empty())
            action->setShortcut(QKeySequence(Q(info.shortcut)));
        const bridge::Command command = info.command;
        connect(action, &QAction::triggered, this, [this, command] { run(command); });
        m_actions[command] = action;
    }
}

// After the totals of a new file are summed (the reset comes first), so
// that the totals row's bold figures fit too; a long state is cut at 400 px
// (its tooltip holds it all).
void BridgeWindow::fitColumns()
{
    for (int column = 0; column < bridge::kColumnCount; ++column)
        m_table->resizeColumnToContents(column);
    m_table->setColumnWidth(bridge::kStateColumn, std::min(m_table->columnWidth(bridge::kStateColumn), 400));
}

void BridgeWindow::updateSummary()
{
    // A total that grew a digit widens its column (the rows were fitted when
    // the file was read): a bold sum is never cut short.
    QFont bold = m_table->font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    for (int column = bridge::kFirstFigureColumn; column < bridge::kStateColumn; ++column) {
        const int needed = metrics.horizontalAdvance(Q(m_model.totalsText(column))) + metrics.averageCharWidth() * 2;
        if (m_table->columnWidth(column) < needed)
            m_table->setColumnWidth(column, needed);
    }
    QStringList lines;
    for (const std::string &line : m_controller.summaryLines())
        lines << Q(line);
    m_summary->setText(lines.join(QLatin1Char('\n')));
}

void BridgeWindow::updateTitle()
{
    setWindowTitle(Q(m_model.title()));
    m_actions.at(bridge::Command::Undo)->setEnabled(m_model.canUndo());
    m_actions.at(bridge::Command::Undo)->setText(Q("撤销 " + m_model.undoText()).trimmed());
    m_actions.at(bridge::Command::Redo)->setEnabled(m_model.canRedo());
    m_actions.at(bridge::Command::Redo)->setText(Q("重做 " + m_model.redoText()).trimmed());
}

bool BridgeWindow::openFile(const QString &path)
{
    return m_controller.openFile(path.toStdString());
}

BridgeWindow::UnsavedAnswer BridgeWindow::askUnsaved(const std::string &question)
{
    if (askUnsavedHook)
        return askUnsavedHook();
    QMessageBox box(QMessageBox::Question, windowTitle(), Q(question), QMessageBox::NoButton, this);
    QPushButton *saveButton = box.addButton(QStringLiteral("保存"), QMessageBox::AcceptRole);
    QPushButton *discardButton = box.addButton(QStringLiteral("不保存"), QMessageBox::DestructiveRole);
    box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box.exec();
    return box.clickedButton() == saveButton   ? UnsavedAnswer::Save
        : box.clickedButton() == discardButton ? UnsavedAnswer::Discard
                                               : UnsavedAnswer::Cancel;
}

std::string BridgeWindow::launchTarget(const std::string &path) const
{
    return FileUrl(path);
}

void BridgeWindow::closeEvent(QCloseEvent *event)
{
    if (m_controller.confirmDiscard())
        event->accept();
    else
        event->ignore();
}

std::optional<std::pair<int, int>> BridgeWindow::currentCell() const
{
    const QModelIndex current = m_table->currentIndex();
    if (!current.isValid())
        return std::nullopt;
    return std::pair{current.row(), current.column()};
}

std::vector<bridge::CellRange> BridgeWindow::selection() const
{
    std::vector<bridge::CellRange> ranges;
    for (const QItemSelectionRange &range : m_table->selectionModel()->selection())
        ranges.push_back({range.top(), range.height(), range.left(), range.width()});
    const QModelIndex current = m_table->currentIndex();
    if (ranges.empty() && current.isValid())
        ranges.push_back({current.row(), 1, current.column(), 1});
    return ranges;
}

void BridgeWindow::select(const bridge::CellRange &range)
{
    const QModelIndex first = m_tableModel->index(range.firstRow, range.firstColumn);
    const QModelIndex last =
        m_tableModel->index(range.firstRow + range.rowCount - 1, range.firstColumn + range.columnCount - 1);
    m_table->selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
    m_table->selectionModel()->select(QItemSelection(first, last), QItemSelectionModel::ClearAndSelect);
}

} // namespace pierqty
