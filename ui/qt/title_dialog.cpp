#include "ui/qt/title_dialog.h"

#include "ui/qt/controls.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <memory>

namespace pierqty {

namespace {

QString BoxName(std::size_t k)
{
    return QStringLiteral("title%1").arg(k);
}

} // namespace

QDialog *CreateTitleDialog(QWidget *parent, const form::TitleValues &values)
{
    auto *dialog = new QDialog(parent);
    dialog->setWindowTitle(Utf8Text(form::kTitleDialogTitle));
    auto *form = new QFormLayout;
    const auto fields = form::TitleFields();
    for (std::size_t k = 0; k < fields.size(); ++k) {
        const QString value = k < values.size() ? QString::fromStdString(values[k]) : QString();
        QWidget *box = nullptr;
        if (fields[k].multiLine) {
            auto *lines = new QPlainTextEdit(value, dialog);
            lines->setTabChangesFocus(true);
            lines->setFixedHeight(lines->fontMetrics().lineSpacing() * 4 + 12);
            box = lines;
        } else {
            auto *line = new QLineEdit(value, dialog);
            line->setMinimumWidth(line->fontMetrics().averageCharWidth() * 36);
            box = line;
        }
        box->setObjectName(BoxName(k));
        form->addRow(Utf8Text(fields[k].caption) + QStringLiteral("："), box);
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    auto *column = new QVBoxLayout(dialog);
    column->addLayout(form);
    column->addWidget(new QLabel(Utf8Text(form::kTitleDialogHint), dialog));
    column->addWidget(buttons);
    return dialog;
}

form::TitleValues TitleDialogValues(const QDialog &dialog)
{
    form::TitleValues values;
    for (std::size_t k = 0; k < form::TitleFields().size(); ++k) {
        QWidget *box = dialog.findChild<QWidget *>(BoxName(k));
        if (const auto *lines = qobject_cast<QPlainTextEdit *>(box))
            values.push_back(lines->toPlainText().toStdString());
        else if (const auto *line = qobject_cast<QLineEdit *>(box))
            values.push_back(line->text().toStdString());
        else
            values.emplace_back();
    }
    return values;
}

bool EditTitleBlock(QWidget *parent, form::TitleValues &values)
{
    const std::unique_ptr<QDialog> dialog(CreateTitleDialog(parent, values));
    if (dialog->exec() != QDialog::Accepted)
        return false;
    values = TitleDialogValues(*dialog);
    return true;
}

} // namespace pierqty
