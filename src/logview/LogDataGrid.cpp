#include "LogDataGrid.h"

#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QScrollBar>

namespace {

constexpr int Fixed = 3;

// The first three columns only, for the view that stays in place.
class TFixedColumns : public QIdentityProxyModel {
  public:
    using QIdentityProxyModel::QIdentityProxyModel;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return std::min(Fixed, QIdentityProxyModel::columnCount(parent));
    }
};

} // namespace

TLogDataGrid::TLogDataGrid(QWidget* parent) : QTableView(parent), FFrozen(new QTableView(this))
{
    setHorizontalScrollMode(ScrollPerPixel);
    setVerticalScrollMode(ScrollPerPixel);
    setSelectionMode(SingleSelection);
    setEditTriggers(NoEditTriggers);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    // 45 pixels, or as much as a time of an hour's log takes in this font.
    horizontalHeader()->setDefaultSectionSize(
        std::max(45, fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 8));
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);

    FFrozen->setFocusPolicy(Qt::NoFocus);
    FFrozen->verticalHeader()->hide();
    FFrozen->verticalHeader()->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
    FFrozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FFrozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FFrozen->setVerticalScrollMode(ScrollPerPixel);
    FFrozen->setSelectionMode(SingleSelection);
    FFrozen->setEditTriggers(NoEditTriggers);
    FFrozen->setWordWrap(false);
    FFrozen->setFrameShape(QFrame::NoFrame);
    FFrozen->setStyleSheet(QStringLiteral("QTableView { border-right: 1px solid palette(mid); }"));
    viewport()->stackUnder(FFrozen);

    connect(FFrozen->verticalScrollBar(), &QScrollBar::valueChanged, verticalScrollBar(),
            &QScrollBar::setValue);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, FFrozen->verticalScrollBar(),
            &QScrollBar::setValue);
    // The user sizes the fixed columns in the part that stays in place.
    connect(FFrozen->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int section, int, int size) {
                setColumnWidth(section, size);
                UpdateFrozenGeometry();
            });
}

void TLogDataGrid::setModel(QAbstractItemModel* model)
{
    QTableView::setModel(model);
    delete FProxy;
    auto* proxy = new TFixedColumns(this);
    proxy->setSourceModel(model);
    FProxy = proxy;
    FFrozen->setModel(proxy);
    UpdateFrozenGeometry();
}

void TLogDataGrid::SetFixedWidths(int caption, int minimum, int maximum)
{
    const int widths[Fixed] = {caption, minimum, maximum};
    for (int c = 0; c < Fixed; ++c) {
        setColumnWidth(c, widths[c]);
        FFrozen->setColumnWidth(c, widths[c]);
    }
    UpdateFrozenGeometry();
}

int TLogDataGrid::FixedWidth() const
{
    int w = 0;
    for (int c = 0; c < Fixed && model() && c < model()->columnCount(); ++c)
        w += columnWidth(c);
    return w;
}

void TLogDataGrid::UpdateFrozenGeometry()
{
    FFrozen->setGeometry(frameWidth(), frameWidth(), FixedWidth() + 1,
                         viewport()->height() + horizontalHeader()->height());
}

void TLogDataGrid::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    UpdateFrozenGeometry();
}

int TLogDataGrid::Col() const
{
    return currentIndex().isValid() ? currentIndex().column() : -1;
}

int TLogDataGrid::Row() const
{
    return currentIndex().isValid() ? currentIndex().row() + 1 : -1;
}

void TLogDataGrid::Select(int col, int row)
{
    if (!model()) return;
    const QModelIndex index = model()->index(row - 1, col);
    if (!index.isValid()) return;
    setCurrentIndex(index);
    scrollTo(index);
}

void TLogDataGrid::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    QTableView::scrollTo(index, hint);
    if (!index.isValid() || index.column() < Fixed) return;
    // The cell must not end up under the columns that stay in place.
    const int left = columnViewportPosition(index.column());
    if (left < FixedWidth())
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - (FixedWidth() - left));
}
