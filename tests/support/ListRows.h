// The texts of a report list, a row per item and a cell per column, for expectations.
#pragma once

#include <QString>
#include <QTreeWidget>

#include <vector>

using Row = std::vector<QString>;

inline std::vector<Row> Rows(const QTreeWidget& list)
{
    std::vector<Row> rows;
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
        Row row;
        for (int column = 0; column < list.columnCount(); ++column)
            row.push_back(list.topLevelItem(i)->text(column));
        rows.push_back(row);
    }
    return rows;
}
