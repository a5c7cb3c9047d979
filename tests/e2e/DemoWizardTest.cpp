// The wizard driven through its three pages against the real helper programs and the demo account
// they install in a temporary data folder: the user unticks some of the duplicates found, and
// afterwards exactly the ticked ones are in the account's trash, every other file as it was.

#include "app/RecordList.h"
#include "app/TfmQoClean.h"
#include "app/TfmQoData.h"
#include "app/TfmQoSource.h"
#include "app/TfmQoTrash.h"
#include "tests/e2e/AccountFiles.h"
#include "tests/support/WizardTest.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTest>
#include <QTreeWidget>

#include <set>
#include <string>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

class DemoWizardTest : public WizardTest
{
protected:
    void LogIn()
    {
        QWidget* source = Window().SourcePage();
        FindIn<QLineEdit>(source, "edtEmail")->setText("demo@example.com");
        FindIn<QLineEdit>(source, "edtPassword")->setText("demo");
        FindIn<QCheckBox>(source, "cbAddr")->setChecked(true);
        FindIn<QCheckBox>(source, "cbDate")->setChecked(true);
        PressNext();
    }

    void PressNext() { QTest::mouseClick(Button("btnNext"), Qt::LeftButton); }

    // Deletes every duplicate found, through the deletion page, and waits for the run to end.
    void DeleteAllDuplicates()
    {
        PressNext();
        ASSERT_EQ(2, Window().CurrentPage());
        auto* bar = FindIn<QProgressBar>(Window().CleanPage(), "pbDel");
        ASSERT_TRUE(QTest::qWaitFor([bar] { return bar->value() == 100; }, 30000));
    }

    // Unticks the rows whose files are named in keep; returns the files of the rows left ticked.
    template <typename Record>
    static std::set<std::string> Untick(QTreeWidget* list, const std::set<std::string>& keep,
                                        std::string (*file)(const Record&))
    {
        std::set<std::string> ticked;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QTreeWidgetItem* row = list->topLevelItem(i);
            const std::string name = file(*static_cast<const Record*>(RowRecord(row)));
            if (keep.count(name))
                SetTicked(row, false);
            else if (IsTicked(row))
                ticked.insert(name);
        }
        return ticked;
    }
};

TEST_F(DemoWizardTest, ExactlyTheTickedDuplicatesEndUpInTheTrash)
{
    LogIn();
    ASSERT_EQ(1, Window().CurrentPage()) << (m_messages.empty() ? "" : m_messages[0].text.toStdString());
    const fs::path account = m_dataFolder + "demo";
    const Snapshot before = TakeSnapshot(account);

    TfmQoData& review = *Window().DataPage();
    ASSERT_EQ(6, review.lvAddr->topLevelItemCount());
    ASSERT_EQ(4, review.lvDate->topLevelItemCount());
    const std::set<std::string> keptContacts = {"contacts/daniel-okafor-work.vcf"};
    const std::set<std::string> keptEvents = {"calendar/dentist.ics"};
    std::set<std::string> deleted = Untick<GAddrRecord>(review.lvAddr, keptContacts, &ContactFile);
    const std::set<std::string> deletedEvents = Untick<GDateRecord>(review.lvDate, keptEvents, &EventFile);
    ASSERT_EQ(5u, deleted.size());
    ASSERT_EQ(3u, deletedEvents.size());
    deleted.insert(deletedEvents.begin(), deletedEvents.end());

    PressNext();
    ASSERT_EQ(2, Window().CurrentPage());
    auto* bar = FindIn<QProgressBar>(Window().CleanPage(), "pbDel");
    ASSERT_TRUE(QTest::qWaitFor([bar] { return bar->value() == 100; }, 30000));
    const QString log = FindIn<QPlainTextEdit>(Window().CleanPage(), "memLog")->toPlainText();
    EXPECT_TRUE(log.contains("\t5 duplicate contact items deleted.")) << log.toStdString();
    EXPECT_TRUE(log.contains("\t3 duplicate calendar items deleted.")) << log.toStdString();

    const fs::path day = TrashDay(account);
    ASSERT_FALSE(day.empty());
    Snapshot expectedTrash;
    for (const std::string& file : deleted)
        expectedTrash[file] = before.at(file);
    EXPECT_EQ(expectedTrash, TrashFiles(day));
    EXPECT_TRUE(fs::exists(day / "deleted-items.tsv"));

    Snapshot expectedLeft = before;
    for (const std::string& file : deleted)
        expectedLeft.erase(file);
    Snapshot left = TakeSnapshot(account);
    std::erase_if(left, [](const auto& file) { return file.first.starts_with(".trash/"); });
    EXPECT_EQ(expectedLeft, left);
    EXPECT_TRUE(left.count("contacts/daniel-okafor-work.vcf"));
    EXPECT_TRUE(left.count("calendar/dentist.ics"));
}

// Contents, permission bits and modification time of every file outside the trash.
using FileFacts = std::map<std::string, std::string>;
FileFacts FactsOfAccount(const fs::path& root)
{
    FileFacts facts;
    for (const auto& [file, bytes] : TakeSnapshot(root)) {
        if (file.starts_with(".trash/"))
            continue;
        struct stat status = {};
        EXPECT_EQ(0, ::stat((root / file).c_str(), &status)) << file;
        facts[file] = bytes + "|mode " + std::to_string(status.st_mode & 07777) + "|time " +
                      std::to_string(status.st_mtim.tv_sec) + "." + std::to_string(status.st_mtim.tv_nsec);
    }
    return facts;
}

TEST_F(DemoWizardTest, ADeletionUndoneThroughTheDialogLeavesTheAccountAsItWas)
{
    LogIn();
    ASSERT_EQ(1, Window().CurrentPage()) << (m_messages.empty() ? "" : m_messages[0].text.toStdString());
    const fs::path account = m_dataFolder + "demo";
    const FileFacts before = FactsOfAccount(account);
    TfmQoData& review = *Window().DataPage();
    const int duplicates = review.lvAddr->topLevelItemCount() + review.lvDate->topLevelItemCount();
    ASSERT_EQ(10, duplicates);

    DeleteAllDuplicates();
    ASSERT_NE(before, FactsOfAccount(account));
    auto* undo = FindIn<QWidget>(Window().CleanPage(), "lblUndo");
    ASSERT_TRUE(undo->isVisibleTo(Window().CleanPage()));

    int ticked = 0;
    QString restoreLog;
    m_onDialog = [&](QDialog& dialog) {
        auto* trash = qobject_cast<TfmQoTrash*>(&dialog);
        if (!trash)
            return QDialog::Rejected;
        for (QTreeWidget* list : {trash->lvAddr, trash->lvDate})
            for (int day = 0; day < list->topLevelItemCount(); ++day)
                for (int i = 0; i < list->topLevelItem(day)->childCount(); ++i)
                    ticked += IsTicked(list->topLevelItem(day)->child(i)) ? 1 : 0;
        QTest::mouseClick(trash->btnRestore, Qt::LeftButton);
        restoreLog = trash->memLog->toPlainText();
        return QDialog::Rejected;
    };
    QTest::mouseClick(undo, Qt::LeftButton);
    ASSERT_EQ(std::vector<QString>{"fmQoTrash"}, m_dialogs);
    // The run's own deletions come ticked, and nothing else is in the trash.
    EXPECT_EQ(duplicates, ticked);
    EXPECT_TRUE(restoreLog.contains("\t6 of 6 contacts restored.")) << restoreLog.toStdString();
    EXPECT_TRUE(restoreLog.contains("\t4 of 4 calendar events restored.")) << restoreLog.toStdString();
    EXPECT_FALSE(restoreLog.contains("Not restored")) << restoreLog.toStdString();

    // Every file back where it was, with its bytes, permissions and time.
    EXPECT_EQ(before, FactsOfAccount(account));
    Snapshot trash = TakeSnapshot(account / ".trash");
    std::erase_if(trash, [](const auto& file) { return file.first.ends_with("/deleted-items.tsv"); });
    EXPECT_TRUE(trash.empty()) << trash.begin()->first;
}

} // namespace
