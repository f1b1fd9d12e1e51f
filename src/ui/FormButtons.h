#pragma once

#include <functional>

class QDialog;
class QDialogButtonBox;

// The centred 确定/取消 row under a record form: 确定 is the default button and
// runs `onOk` (the form's own check and save, which closes it on success);
// 取消 rejects the dialog.
QDialogButtonBox* MakeFormButtons(QDialog* dialog, const std::function<void()>& onOk);
