// The window's list views: read-only report lists with whole-row selection,
// built on QTreeWidget with no root decoration.
#pragma once

#include <QList>
#include <QStringList>
#include <QTreeWidget>

namespace varnok {

struct ListColumn {
    QString caption;
    int width = 0;
};

// A list view named `name` with the given columns; `gridLines` draws a line
// under each row and right of each cell.
QTreeWidget* MakeListView(QWidget* parent, const QString& name, const QList<ListColumn>& columns,
                          bool gridLines);

// Replaces the list's rows with one row per caption, the value column empty.
void SetRowCaptions(QTreeWidget* list, const QStringList& captions);

}  // namespace varnok
