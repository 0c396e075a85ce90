// How Hdun shows the form's marks and the state of its results: colours
// from the form's table, tooltips as the form words them.
#include "ui/qt/hdun.h"
#include "ui/qt/title_dialog.h"

#include <QInputDialog>
#include <QLineEdit>

namespace pierqty {

void Hdun::showMark(int index, const std::optional<form::Mark> &mark)
{
    if (mark)
        CS(index)->markReading(QString::fromStdString(mark->toolTip), ToQColor(form::MarkBackground(mark->kind)));
    else
        CS(index)->clearReadingMark();
}

void Hdun::showResultState(form::ResultState state)
{
    // Stale: S, V and the report grey. No quantities: S and V dark red on
    // rose; the report's section areas stay as they are.
    const bool stale = state == form::ResultState::Stale;
    const bool noQuantities = state == form::ResultState::NotQuantities;
    QWidget *const results[] = {CS(form::kAreaField), CS(form::kVolumeField), m_text1};
    for (QWidget *result : results) {
        const bool figure = result != m_text1;
        QPalette palette;
        QString tip;
        for (const auto group : {QPalette::Active, QPalette::Inactive}) {
            if (stale) {
                palette.setColor(group, QPalette::Text, ToQColor(form::kStaleText));
            } else if (noQuantities && figure) {
                palette.setColor(group, QPalette::Text, ToQColor(form::kNotQuantitiesText));
                palette.setColor(group, QPalette::Base, ToQColor(form::kNotQuantitiesBackground));
            }
        }
        if (stale)
            tip = Utf8Text(form::kStaleToolTip);
        else if (noQuantities && figure)
            tip = Utf8Text(form::kNotQuantitiesToolTip);
        result->setPalette(palette);
        result->setToolTip(tip);
    }
}

bool Hdun::editTitleBlock(form::TitleValues &values)
{
    return EditTitleBlock(this, values);
}

std::optional<std::string> Hdun::askPierId(const std::string &suggested)
{
    if (askPierIdHook)
        return askPierIdHook(suggested);
    bool ok = false;
    const QString id = QInputDialog::getText(this, Utf8Text(form::kAddToBridgeCaption), QStringLiteral("墩号："),
                                             QLineEdit::Normal, QString::fromStdString(suggested), &ok);
    if (!ok)
        return std::nullopt;
    return id.trimmed().toStdString();
}

} // namespace pierqty
