#pragma once

// The viewer's data table: a table view whose first three columns (caption, minimum,
// maximum) stay in place while the rest scrolls under them. Positions are counted as in
// a grid whose row 0 is the header: Row() is the model row + 1.

#include <QTableView>

class QAbstractItemModel;

class TLogDataGrid : public QTableView {
    Q_OBJECT
  public:
    explicit TLogDataGrid(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;
    // The fixed columns' widths (the frozen part follows).
    void SetFixedWidths(int caption, int minimum, int maximum);

    int Col() const;
    int Row() const;
    // Makes the cell current and scrolls it into view (right of the fixed columns).
    void Select(int col, int row);

    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QTableView* FrozenView() const { return FFrozen; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void UpdateFrozenGeometry();
    int FixedWidth() const;

    QTableView* FFrozen;
    QAbstractItemModel* FProxy = nullptr;
};
