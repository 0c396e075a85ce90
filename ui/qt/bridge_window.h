// The bridge window 桥梁工程量汇总 on Qt: a QTableView over the bridge model
// (ui/form/bridge.h), its totals as the table's last row, the left-out line
// and the bill's quantities under it, and the model's commands as menus.
// Everything it shows and does comes from the model; this is wiring only.
#pragma once

#include "platform/desktop.h"
#include "ui/form/bridge.h"
#include "ui/form/bridge_controller.h"

#include <QAbstractTableModel>
#include <QLabel>
#include <QMainWindow>
#include <QTableView>

#include <functional>
#include <map>

class QAction;

namespace pierqty {

// The model's rows and, as the last row, its totals, for a QTableView.
class BridgeTableModel final : public QAbstractTableModel, public bridge::Listener
{
public:
    explicit BridgeTableModel(bridge::BridgeModel &model, QObject *parent = nullptr);
    ~BridgeTableModel() override;

    bridge::BridgeModel &bridge() { return m_model; }
    int totalsRow() const { return m_model.rowCount(); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

    // What the window does besides the table when the model changes.
    std::function<void()> onTotalsChanged;
    std::function<void()> onTitleChanged;

private:
    void rowsAboutToBeInserted(int first, int count) override;
    void rowsInserted(int first, int count) override;
    void rowsAboutToBeRemoved(int first, int count) override;
    void rowsRemoved(int first, int count) override;
    void rowsChanged(int first, int last) override;
    void aboutToReset() override;
    void reset() override;
    void totalsChanged() override;
    void titleChanged() override;

    bridge::BridgeModel &m_model;
};

class BridgeWindow final : public QMainWindow, private bridge::BridgeView
{
public:
    using UnsavedAnswer = bridge::UnsavedAnswer;

    // services: error reports, dialogs and the clipboard; must outlive the
    // window.
    explicit BridgeWindow(DesktopServices &services, QWidget *parent = nullptr);
    ~BridgeWindow() override;

    bridge::BridgeModel &model() { return m_model; }
    bridge::BridgeController &controller() { return m_controller; }
    QTableView *table() { return m_table; }
    QLabel *summary() { return m_summary; }
    QAction *action(bridge::Command command) { return m_actions.at(command); }

    // Opens a file, reporting an error through the services; false then.
    bool openFile(const QString &path);
    // Runs one of the model's commands as its menu item does.
    void run(bridge::Command command) { m_controller.run(command); }
    // Asked when the window closes with unsaved changes (a 保存 / 不保存 /
    // 取消 box unless replaced, e.g. by a test).
    std::function<UnsavedAnswer()> askUnsavedHook;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // BridgeView
    std::optional<std::pair<int, int>> currentCell() const override;
    std::vector<bridge::CellRange> selection() const override;
    void select(const bridge::CellRange &range) override;
    void selectAll() override { m_table->selectAll(); }
    UnsavedAnswer askUnsaved(const std::string &question) override;
    DesktopServices &desktop() override { return m_services; }
    std::string launchTarget(const std::string &path) const override;

    void buildMenus();
    void fitColumns();
    void updateSummary();
    void updateTitle();

    DesktopServices &m_services;
    bridge::BridgeModel m_model;
    bridge::BridgeController m_controller{m_model, *this};
    BridgeTableModel *m_tableModel;
    QTableView *m_table;
    QLabel *m_summary;
    std::map<bridge::Command, QAction *> m_actions;
};

} // namespace pierqty
