#include "listview.h"

#include "alert/alerttext.h"
#include "ui/twips.h"

#include <QHeaderView>
#include <QStyleOptionHeader>

namespace {
// The list's column header. Qt sizes every section as if its caption were bold, for a section
// highlighted by the selection; these never are, and measuring in bold loads a second face of
// the font at every start.
class ListHeader : public QHeaderView {
public:
    ListHeader(Qt::Orientation orientation, QWidget *parent) : QHeaderView(orientation, parent)
    {
        setHighlightSections(false);
        setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }

protected:
    QSize sectionSizeFromContents(int logicalIndex) const override
    {
        QStyleOptionHeader opt;
        initStyleOption(&opt);
        opt.section = logicalIndex;
        if (model()) // none while the window is being taken down
            opt.text = model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString();
        return style()->sizeFromContents(QStyle::CT_HeaderSection, &opt, QSize(), this);
    }
};
} // namespace

ListView::ListView(QWidget *parent) : QTableView(parent)
{
    setHorizontalHeader(new ListHeader(Qt::Horizontal, this));
    // Hidden before the list has a model, the row header is never measured.
    verticalHeader()->hide();
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setTabKeyNavigation(false); // Tab leaves the list for the buttons
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
}

void ListView::fitColumns(int shared)
{
    const QFontMetrics metrics(font());
    const int margins = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 1;
    const QString widest =
        alert::widestAlert([&metrics](const QString &text) { return metrics.horizontalAdvance(text); });
    const int alertWidth = qMax(twips::px(1800), metrics.horizontalAdvance(widest) + margins);
    setColumnWidth(0, shared - alertWidth);
    setColumnWidth(1, alertWidth);
}

void ListView::setCurrentNote(int row)
{
    if (!model() || row < 1 || row > model()->rowCount())
        return;
    selectionModel()->setCurrentIndex(model()->index(row - 1, 0),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

QItemSelectionModel::SelectionFlags ListView::selectionCommand(const QModelIndex &index,
                                                               const QEvent *event) const
{
    if (!index.isValid())
        return QItemSelectionModel::NoUpdate;
    const QItemSelectionModel::SelectionFlags command = QTableView::selectionCommand(index, event);
    if (command & QItemSelectionModel::Deselect)
        return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    return command;
}
