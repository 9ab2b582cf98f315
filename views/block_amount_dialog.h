#pragma once
// The small dialog that asks the amount of a block operation: the value of
// Set Value, the amount of Add (negative subtracts) or the percentage of
// Scale. OK is offered only while the text is a number (digits and '.', '-'
// first), the rule of the table's own editors.
#include "data/block_ops.h"

#include <QDialog>
#include <QString>

#include <optional>

class QDialogButtonBox;
class QLineEdit;

namespace zlm {

class BlockAmountDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BlockAmountDialog)
public:
    // `currentValue` is the current cell's value as shown, the start of Set Value.
    BlockAmountDialog(BlockOperation operation, const QString& currentValue, QWidget* parent = nullptr);

    QLineEdit* field() const { return m_field; }
    // The number typed, when it is one.
    std::optional<double> amount() const;

private:
    QLineEdit* m_field = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
};

// Runs the dialog; nothing on Cancel.
std::optional<double> askBlockAmount(
    QWidget* parent, BlockOperation operation, const QString& currentValue);

} // namespace zlm
