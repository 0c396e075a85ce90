#include "ui/form/controller.h"

#include "ui/form/bridge_controller.h"
#include "ui/form/report_actions.h"

#include <algorithm>
#include <stdexcept>

namespace pierqty::form {

void Controller::run(const std::function<void()> &body)
{
    try {
        body();
    } catch (const std::exception &error) {
        m_view.desktop().reportError(std::string(kRuntimeErrorPrefix) + error.what());
    }
}

void Controller::Form_Load()
{
    run([this] {
        const ParameterTexts texts = DefaultParameterTexts();
        for (int i = 0; i < kInputCount; ++i)
            m_view.setControlText(CS(i), texts[static_cast<std::size_t>(i)]);
    });
}

ParameterTexts Controller::inputTexts()
{
    ParameterTexts texts;
    for (int i = 0; i < kInputCount; ++i)
        texts[static_cast<std::size_t>(i)] = m_view.controlText(CS(i));
    // What is calculated is what the results will belong to.
    std::copy(texts.begin(), texts.end(), m_calculated.begin());
    return texts;
}

void Controller::showMarks()
{
    for (int i = 0; i < kInputCount; ++i)
        m_view.showMark(i, m_state.mark(i));
}

bool Controller::calculate()
{
    bool succeeded = false;
    run([&] {
        const CalculationOutcome outcome = m_state.calculate(inputTexts());
        showMarks();
        m_view.showResultState(m_state.resultState());
        if (!outcome.succeeded) {
            m_view.desktop().reportError(outcome.errorMessage);
            return;
        }
        for (const TextWrite &write : outcome.writes)
            m_view.setControlText(write.target, write.text);
        succeeded = true;
    });
    return succeeded;
}

bool Controller::saveSheet()
{
    // The sheet shows what the screen shows: the same texts, calculated anew.
    if (!calculate())
        return false;
    bool saved = false;
    run([&] {
        const ParameterTexts texts = inputTexts();
        DesktopServices &services = m_view.desktop();
        // A pier that cannot be built has no sheet: said before any dialog.
        if (const std::optional<std::string> refusal = SheetRefusal(texts)) {
            services.reportError(*refusal);
            return;
        }
        TitleValues values = StoredTitleValues(services);
        if (!m_view.editTitleBlock(values))
            return; // cancelled: nothing saved, nothing remembered
        StoreTitleValues(services, values);
        saved = SaveSheet(services, texts, ToTitleBlock(values),
                          [this](const std::string &path) { return launchTarget(path); });
    });
    return saved;
}

bool Controller::exportWorkbook()
{
    if (!calculate())
        return false;
    bool exported = false;
    run([&] {
        DesktopServices &services = m_view.desktop();
        exported = ExportWorkbook(services, inputTexts(), StoredProjectName(services),
                                  [this](const std::string &path) { return launchTarget(path); });
    });
    return exported;
}

bool Controller::copyResults()
{
    // The figures copied are those now on the screen.
    if (!calculate())
        return false;
    bool copied = false;
    run([&] { copied = CopyResults(m_view.desktop(), inputTexts()); });
    return copied;
}

void Controller::CS_KeyPress(int Index, int &KeyAscii)
{
    if (KeyAscii != 13)
        return;
    KeyAscii = 0;
    run([&] {
        const EnterStep step = EnterIn(Index);
        if (step.calculate && !calculate())
            return; // the focus stays where the fault was met
        if (step.focusField)
            m_view.moveFocus(CS(*step.focusField));
    });
}

void Controller::CS_Change(int index)
{
    if (index < 0 || index >= kInputCount)
        return; // the results are written by the command, not edited
    run([&] {
        if (m_view.controlText(CS(index)) == m_calculated[static_cast<std::size_t>(index)])
            return;
        const bool wasMarked = m_state.marked(index);
        const ResultState was = m_state.resultState();
        m_state.fieldEdited(index);
        if (wasMarked) // an edit clears the field's own mark
            m_view.showMark(index, std::nullopt);
        if (was != m_state.resultState())
            m_view.showResultState(m_state.resultState());
    });
}

void Controller::Label2_Click()
{
    run([this] {
        if (!m_view.desktop().openUrl(std::string(PromoPageAddress)))
            throw std::runtime_error(LinkLaunchFailureMessage());
    });
}

void Controller::addToBridge()
{
    if (!openBridge)
        return;
    run([this] {
        ParameterTexts texts;
        for (int i = 0; i < kInputCount; ++i)
            texts[static_cast<std::size_t>(i)] = m_view.controlText(CS(i));
        bridge::BridgeModel &model = openBridge();
        bridge::AddPier(model, texts, [this](const std::string &suggested) { return m_view.askPierId(suggested); });
    });
}

bool Controller::loadTexts(const ParameterTexts &texts)
{
    run([&] {
        for (int i = 0; i < kInputCount; ++i)
            m_view.setControlText(CS(i), texts[static_cast<std::size_t>(i)]);
    });
    return calculate();
}

} // namespace pierqty::form
