#include "app/ReviewRows.h"

#include "app/RecordList.h"
#include "app/core/AppSettings.h"
#include "common/google/records/GAddrRecord.h"
#include "common/google/records/GDateRecord.h"

#include <QStyle>
#include <QTreeWidgetItem>

namespace {

QString Utf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A duplicate's row, whose hover text is made when it is asked for: a fill of many thousand rows
// compares no fields, and a row that is never pointed at never does.
template <typename Record>
class DuplicateRow : public QTreeWidgetItem
{
public:
    DuplicateRow(const Record& duplicate, const QStringList& texts)
        : QTreeWidgetItem(texts)
        , m_duplicate(duplicate)
    {}

    QVariant data(int column, int role) const override
    {
        if (role != Qt::ToolTipRole || column == kLossColumn || !m_duplicate.pKept)
            return QTreeWidgetItem::data(column, role);
        return HoverText(Compare(m_duplicate, *m_duplicate.pKept));
    }

private:
    static std::vector<FieldPair> Compare(const GAddrRecord& d, const GAddrRecord& k) { return CompareContacts(d, k); }
    static std::vector<FieldPair> Compare(const GDateRecord& d, const GDateRecord& k) { return CompareEvents(d, k); }

    const Record& m_duplicate;
};

ReviewFacts FactsOf(const GAddrRecord& r)
{
    return ContactReviewFacts(r);
}

ReviewFacts FactsOf(const GDateRecord& r)
{
    return EventReviewFacts(r);
}

template <typename Record>
QTreeWidgetItem* MakeRow(Record* r, QStringList texts, bool duplicatesView, const ReviewRowStyle& style)
{
    if (!IsReviewDuplicate(*r)) {
        texts << QString() << QString() << QString();
        return MakeRecordRow(r, texts, duplicatesView);
    }
    const ReviewFacts facts = FactsOf(*r);
    texts << Utf8(facts.kept) << Utf8(facts.matchedOn) << QString();
    const bool losing = !facts.wouldBeLost.empty();
    auto* row = new DuplicateRow<Record>(*r, texts);
    BindRecordRow(row, r, duplicatesView && !(losing && style.untickLosing));
    if (losing) {
        row->setIcon(kLossColumn, style.lossIcon);
        row->setData(kLossColumn, Qt::AccessibleTextRole,
                     QStringLiteral("Would be lost: %1").arg(Utf8(WouldBeLostText(facts))));
        row->setToolTip(kLossColumn, LossText(facts));
    }
    return row;
}

} // namespace

ReviewRowStyle CurrentRowStyle(const QWidget& list)
{
    return {list.style()->standardIcon(QStyle::SP_MessageBoxWarning), AppSettings.UntickLosingDuplicates};
}

QTreeWidgetItem* MakeReviewRow(GAddrRecord* r, bool duplicatesView, const ReviewRowStyle& style)
{
    return MakeRow(r, ContactRowTexts(*r), duplicatesView, style);
}

QTreeWidgetItem* MakeReviewRow(GDateRecord* r, bool duplicatesView, const ReviewRowStyle& style)
{
    return MakeRow(r, EventRowTexts(*r), duplicatesView, style);
}

bool IsReviewDuplicate(const GAddrRecord& r)
{
    return (r.dwFlags & REC_DUPLICATE) && r.pKept;
}

bool IsReviewDuplicate(const GDateRecord& r)
{
    return (r.dwFlags & REC_DUPLICATE) && r.pKept;
}

QString HoverText(const std::vector<FieldPair>& fields)
{
    QString html = QStringLiteral("<qt><table cellspacing=\"0\" cellpadding=\"2\">"
                                  "<tr><th></th><th align=\"left\">This duplicate</th>"
                                  "<th align=\"left\">Kept record</th></tr>");
    bool anyDiffers = false;
    for (const FieldPair& f : fields) {
        if (!f.main)
            continue;
        // Marked by a sign and bold type, so the difference does not rest on colour alone.
        const QString open = f.differs ? QStringLiteral("<b>") : QString();
        const QString close = f.differs ? QStringLiteral("</b>") : QString();
        html += QStringLiteral("<tr><td>%1%2%4%3</td><td>%1%5%3</td><td>%1%6%3</td></tr>")
                    .arg(open, f.differs ? QStringLiteral("\u2260 ") : QString(), close, Utf8(f.label).toHtmlEscaped(),
                         Utf8(f.duplicate).toHtmlEscaped(), Utf8(f.kept).toHtmlEscaped());
        anyDiffers = anyDiffers || f.differs;
    }
    html += QStringLiteral("</table>");
    if (anyDiffers)
        html += QStringLiteral("<p>\u2260 marks the fields that differ.</p>");
    return html + QStringLiteral("</qt>");
}

QString LossText(const ReviewFacts& facts)
{
    QStringList lines;
    for (const std::string& datum : facts.wouldBeLost)
        lines << Utf8(datum).toHtmlEscaped();
    return QStringLiteral("<qt>Only this duplicate holds:<br>%1</qt>").arg(lines.join(QStringLiteral("<br>")));
}
