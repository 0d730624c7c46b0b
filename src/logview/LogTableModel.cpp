#include "LogTableModel.h"

TLogTableModel::TLogTableModel(const TLogData& data, QObject* parent)
    : QAbstractTableModel(parent), FData(data)
{
}

void TLogTableModel::Reset()
{
    beginResetModel();
    endResetModel();
}

int TLogTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : FData.ColumnCount();
}

int TLogTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || FData.Times.empty() ? 0 : FData.RowCount() + FixedColumns;
}

QVariant TLogTableModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= FData.ColumnCount() ||
        index.column() >= columnCount())
        return {};
    const auto c = size_t(index.row());
    switch (index.column()) {
    case 0:
        return FData.ParamNames[index.row()];
    case 1:
        return LogValueText(FData.Minimum[c]);
    case 2:
        return LogValueText(FData.Maximum[c]);
    default:
        return LogValueText(FData.ParamValues[c][size_t(index.column() - FixedColumns)]);
    }
}

QVariant TLogTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    switch (section) {
    case 0:
        return QStringLiteral("Time (ms)");
    case 1:
        return QStringLiteral("Minimum");
    case 2:
        return QStringLiteral("Maximum");
    default:
        if (section - FixedColumns < FData.RowCount())
            return LogValueText(FData.Times[size_t(section - FixedColumns)]);
        return {};
    }
}
