#pragma once

// The data table of a log as a model: one row per column of the log (its caption, minimum
// and maximum, then its value in every row), headed by "Time (ms)", "Minimum", "Maximum"
// and the time of every row. Texts are made only for the cells on the screen, so a log of
// an hour costs nothing here until it is scrolled to.

#include "LogReader.h"

#include <QAbstractTableModel>

class TLogTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    static constexpr int FixedColumns = 3;

    explicit TLogTableModel(const TLogData& data, QObject* parent = nullptr);

    // Call after the data behind it has changed.
    void Reset();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    const TLogData& FData;
};
