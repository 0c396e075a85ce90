// The title block's dialog on Qt: a QFormLayout of the form's title fields
// (ui/form/title_block.h), in their order and with their captions.
#pragma once

#include "ui/form/title_block.h"

class QDialog;
class QWidget;

namespace pierqty {

// The dialog filled with values, not yet shown; the caller owns it. Each
// field's box is named "title0", "title1", ... in the table's order.
QDialog *CreateTitleDialog(QWidget *parent, const form::TitleValues &values);

// What the dialog's boxes hold, in the table's order.
form::TitleValues TitleDialogValues(const QDialog &dialog);

// Shows the dialog modally; on OK the values are replaced with what the user
// left there and the result is true, on Cancel false.
bool EditTitleBlock(QWidget *parent, form::TitleValues &values);

} // namespace pierqty
