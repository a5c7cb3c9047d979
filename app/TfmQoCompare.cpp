#include "app/TfmQoCompare.h"

#include "app/DialogUtil.h"
#include "app/ModalDialog.h"
#include "app/RecordList.h"
#include "app/core/ServiceSet.h"
#include "app/detail/DetailParts.h"
#include "app/detail/TfmQoAddrDetail.h"
#include "app/detail/TfmQoDateDetail.h"
#include "common/google/records/GAddrRecord.h"
#include "common/google/records/GDateRecord.h"

#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const ListShape kCompareList = {"lvCompare",
                                "Fields of the duplicate and the kept record",
                                {{"Differs", 60}, {"Field", 130}, {"This duplicate", 230}, {"Kept record", 230}}};

QString Utf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

TfmQoCompare::TfmQoCompare(QWidget* owner, const std::vector<FieldPair>& fields, DetailOpener openDuplicate,
                           DetailOpener openKept)
    : QDialog(owner)
    , m_openDuplicate(std::move(openDuplicate))
    , m_openKept(std::move(openKept))
{
    setObjectName(QStringLiteral("fmQoCompare"));
    setWindowTitle(QStringLiteral("Compare with Kept Record"));
    lblIntro = new QLabel(QStringLiteral("The duplicate beside the record of its group that stays. Fields marked "
                                         "\u2260 differ; what only the duplicate holds is lost when it is deleted."),
                          this);
    lblIntro->setObjectName(QStringLiteral("lblIntro"));
    lblIntro->setWordWrap(true);
    lvCompare = MakeReportList(this, kCompareList);
    lblIntro->setBuddy(lvCompare);
    btnDupDetail = MakeDialogButton(this, "btnDupDetail", QStringLiteral("&Duplicate's details..."));
    btnKeptDetail = MakeDialogButton(this, "btnKeptDetail", QStringLiteral("&Kept record's details..."));
    btnClose = MakeDialogButton(this, "btnClose", QStringLiteral("&Close"));
    btnClose->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(8);
    layout->addWidget(lblIntro);
    layout->addWidget(lvCompare, 1);
    layout->addLayout(ButtonRow({btnDupDetail, btnKeptDetail, btnClose}));

    connect(btnDupDetail, &QPushButton::clicked, this, &TfmQoCompare::btnDupDetailClick);
    connect(btnKeptDetail, &QPushButton::clicked, this, &TfmQoCompare::btnKeptDetailClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
    Fill(fields);
    resize(700, 440);
    CentreOnScreen(*this);
}

void TfmQoCompare::Fill(const std::vector<FieldPair>& fields)
{
    QList<QTreeWidgetItem*> rows;
    for (const FieldPair& f : fields) {
        auto* row = new QTreeWidgetItem(QStringList{f.differs ? QStringLiteral("\u2260") : QString(), Utf8(f.label),
                                                    Utf8(f.duplicate), Utf8(f.kept)});
        row->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren);
        // A difference is told by the sign, bold type and the words a screen reader reads, never by
        // colour alone.
        if (f.differs) {
            row->setData(kDiffersColumn, Qt::AccessibleTextRole, QStringLiteral("differs"));
            QFont bold = lvCompare->font();
            bold.setBold(true);
            for (int column = 0; column < lvCompare->columnCount(); ++column)
                row->setFont(column, bold);
        }
        // A long text is cut short in its column; its tool tip shows it whole, escaped as rich text so
        // that a text holding markup shows as written.
        for (int column : {kDuplicateColumn, kKeptColumn})
            if (!row->text(column).isEmpty())
                row->setToolTip(column, QStringLiteral("<qt>%1</qt>").arg(row->text(column).toHtmlEscaped()));
        rows.append(row);
    }
    ReplaceRows(lvCompare, rows);
}

void TfmQoCompare::btnDupDetailClick()
{
    OpenDetail(m_openDuplicate);
}

void TfmQoCompare::btnKeptDetailClick()
{
    OpenDetail(m_openKept);
}

void TfmQoCompare::OpenDetail(const DetailOpener& open)
{
    if (open && open(this))
        done(kKeptApartResult);
}

bool ShowContactComparison(QWidget* owner, GAddrRecord& duplicate)
{
    if (!duplicate.pKept)
        return false;
    GAddrRecord& kept = *duplicate.pKept;
    TfmQoCompare dialog(
        owner, CompareContacts(duplicate, kept),
        [&](QWidget* at) { return ShowContactDetail(at, duplicate.pMgrNode, g_pAddrUtil); },
        [&](QWidget* at) { return ShowContactDetail(at, kept.pMgrNode, g_pAddrUtil); });
    return ExecModalDialog(dialog) == kKeptApartResult;
}

bool ShowEventComparison(QWidget* owner, GDateRecord& duplicate)
{
    if (!duplicate.pKept)
        return false;
    GDateRecord& kept = *duplicate.pKept;
    TfmQoCompare dialog(
        owner, CompareEvents(duplicate, kept),
        [&](QWidget* at) { return ShowEventDetail(at, duplicate.pMgrNode, g_pDateUtil); },
        [&](QWidget* at) { return ShowEventDetail(at, kept.pMgrNode, g_pDateUtil); });
    return ExecModalDialog(dialog) == kKeptApartResult;
}
