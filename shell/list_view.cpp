#include "shell/list_view.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>

namespace varnok {

namespace {

class GridLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(option.palette.color(QPalette::Midlight));
        const QRect cell = option.rect;
        painter->drawLine(cell.bottomLeft(), cell.bottomRight());
        painter->drawLine(cell.topRight(), cell.bottomRight());
        painter->restore();
    }
};

}  // namespace

QTreeWidget* MakeListView(QWidget* parent, const QString& name, const QList<ListColumn>& columns,
                          bool gridLines) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(name);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setColumnCount(static_cast<int>(columns.size()));
    QStringList captions;
    for (const ListColumn& column : columns) {
        captions << column.caption;
    }
    list->setHeaderLabels(captions);
    list->header()->setStretchLastSection(false);
    list->header()->setSectionsMovable(false);
    for (int i = 0; i < columns.size(); ++i) {
        list->setColumnWidth(i, columns[i].width);
    }
    if (gridLines) {
        list->setItemDelegate(new GridLineDelegate(list));
    }
    return list;
}

void SetRowCaptions(QTreeWidget* list, const QStringList& captions) {
    list->clear();
    for (const QString& caption : captions) {
        auto* row = new QTreeWidgetItem(list);
        row->setText(0, caption);
    }
}

}  // namespace varnok
