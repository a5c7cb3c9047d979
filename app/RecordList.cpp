#include "app/RecordList.h"

#include "common/google/records/GAddrRecord.h"
#include "common/google/records/GDateRecord.h"
#include "common/misc/WinUtil.h"

#include <QHeaderView>

namespace {

constexpr int kRecordRole = Qt::UserRole;

QString TimeOfDayText(double value)
{
    char text[32] = "";
    FormatTimeOfDay(value, text, sizeof text);
    return QString::fromUtf8(text);
}

} // namespace

QTreeWidget* MakeReportList(QWidget* parent, const ListShape& shape)
{
    const std::vector<ListColumn>& columns = shape.columns;
    auto* list = new QTreeWidget(parent);
    list->setObjectName(QLatin1String(shape.name));
    list->setAccessibleName(QString::fromUtf8(shape.accessibleName));
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setAllColumnsShowFocus(true);
    list->setColumnCount(static_cast<int>(columns.size()));
    QStringList captions;
    for (const ListColumn& column : columns)
        captions << QString::fromUtf8(column.caption);
    list->setHeaderLabels(captions);
    // The widths are the columns' own; the last one is not stretched over them.
    list->header()->setStretchLastSection(false);
    for (int i = 0; i < static_cast<int>(columns.size()); ++i)
        list->setColumnWidth(i, columns[static_cast<size_t>(i)].width);
    return list;
}

QStringList ContactRowTexts(const GAddrRecord& r)
{
    return {QString::fromUtf8(r.szDisplayName), QString::fromUtf8(r.szEmailPrimary),
            QString::fromUtf8(r.szPhonePrimary), QString::fromUtf8(r.szCompanyName), QString::fromUtf8(r.szJobTitle)};
}

QStringList EventRowTexts(const GDateRecord& r)
{
    return {QString::fromUtf8(r.szSubject), TimeOfDayText(r.dtStart), TimeOfDayText(r.dtEnd),
            r.nAllDayEvent != 0 ? QStringLiteral("Yes") : QStringLiteral("No"), QString::fromUtf8(r.szLocation)};
}

QTreeWidgetItem* MakeRecordRow(void* record, const QStringList& texts, bool ticked)
{
    auto* row = new QTreeWidgetItem(texts);
    BindRecordRow(row, record, ticked);
    return row;
}

void BindRecordRow(QTreeWidgetItem* row, void* record, bool ticked)
{
    row->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren);
    row->setData(0, kRecordRole, QVariant::fromValue(reinterpret_cast<quintptr>(record)));
    SetTicked(row, ticked);
}

void ReplaceRows(QTreeWidget* list, const QList<QTreeWidgetItem*>& rows)
{
    list->setUpdatesEnabled(false);
    list->clear();
    list->addTopLevelItems(rows);
    list->setUpdatesEnabled(true);
}

void* RowRecord(const QTreeWidgetItem* row)
{
    return row ? reinterpret_cast<void*>(row->data(0, kRecordRole).value<quintptr>()) : nullptr;
}

bool IsTicked(const QTreeWidgetItem* row)
{
    return row->checkState(0) == Qt::Checked;
}

void SetTicked(QTreeWidgetItem* row, bool ticked)
{
    row->setCheckState(0, ticked ? Qt::Checked : Qt::Unchecked);
}
