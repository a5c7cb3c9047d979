#include "app/detail/TfmQoAddrDetail.h"
#include "common/google/CommAddrRecord.h"
#include "common/google/CxGAddrUtil.h"
#include "common/google/records/GAddrRecord.h"
#include "common/misc/TextBuf.h"
#include "tests/support/ListRows.h"
#include "tests/support/OleTime.h"
#include "tests/support/WizardTest.h"
#include "tests/support/ZeroedRecord.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTreeWidget>

#include <cstring>
#include <string>
#include <vector>

namespace {

const double kNoon = 0.5;

// The text of a field, written through the record's own field storage (a typed field takes the first
// free slot).
void SetField(GAddrRecord& contact, int32_t id, const char* text)
{
    int32_t size = 0;
    auto* field = static_cast<char*>(GetFieldPtr(&contact, id, &size));
    ASSERT_NE(nullptr, field) << id;
    CopyText(field, static_cast<size_t>(size), text);
}

void SetDate(GAddrRecord& contact, int32_t id, double value)
{
    auto* field = static_cast<double*>(GetFieldPtr(&contact, id, nullptr));
    ASSERT_NE(nullptr, field) << id;
    *field = value;
}

class TfmQoAddrDetailTest : public WizardTest
{
protected:
    void SetUp() override
    {
        WizardTest::SetUp();
        ASSERT_TRUE(m_contact && m_common);
        m_common->pAttach = m_contact.get();
        m_util = std::make_unique<CxGAddrUtil>();
    }

    void TearDown() override
    {
        m_dialog.reset();
        m_util.reset();
        WizardTest::TearDown();
    }

    // A contact with just a name and its primary address, as many are.
    void MakeSparseContact()
    {
        CopyText(m_contact->szDisplayName, "Ada Lovelace");
        CopyText(m_contact->szEmailPrimary, "ada@example.org");
        m_contact->dtCreated = OleTime(2010, 3, 7) + kNoon;
        m_contact->dtModified = OleTime(2011, 12, 31) + 0.75;
    }

    // The dialog as ShowContactDetail fills it.
    TfmQoAddrDetail& Open()
    {
        m_dialog = std::make_unique<TfmQoAddrDetail>(nullptr);
        m_dialog->SetUtil(m_util.get());
        m_dialog->SetRecord(m_common.get());
        return *m_dialog;
    }

    template <class T>
    T* Control(const QString& name)
    {
        T* control = m_dialog->findChild<T*>(name);
        EXPECT_NE(nullptr, control) << name.toStdString();
        return control;
    }

    // Street, city, state, country and postal code of an address page ("Work", "Home", "Other").
    Row AddressPage(const char* page)
    {
        const QString prefix = QLatin1String(page);
        Row texts{Control<QPlainTextEdit>("mem" + prefix + "Street")->toPlainText()};
        for (const char* part : {"City", "State", "Country", "Postal"})
            texts.push_back(Control<QLineEdit>("edt" + prefix + QLatin1String(part))->text());
        return texts;
    }

    QString MiscRow(const char* name)
    {
        for (const Row& row : Rows(*m_dialog->lvMisc)) {
            if (row.at(0) == QLatin1String(name))
                return row.at(1);
        }
        return QStringLiteral("<no row>");
    }

    RecordPtr<GAddrRecord> m_contact = Zeroed<GAddrRecord>();
    RecordPtr<CommAddrRecord> m_common = Zeroed<CommAddrRecord>();
    std::unique_ptr<CxGAddrUtil> m_util;
    std::unique_ptr<TfmQoAddrDetail> m_dialog;
};

} // namespace

TEST_F(TfmQoAddrDetailTest, SparseContactShowsOneEmailAndTheTwoTimes)
{
    MakeSparseContact();
    TfmQoAddrDetail& dialog = Open();
    EXPECT_EQ(QString("Google Contact Record Details"), dialog.windowTitle());
    EXPECT_EQ(QSize(634, 474), dialog.size());
    EXPECT_EQ(QString("Ada Lovelace"), dialog.edtDisplayName->text());
    EXPECT_TRUE(dialog.edtCompany->text().isEmpty());
    EXPECT_EQ(dialog.tPhone, dialog.pMain->currentWidget());
    EXPECT_EQ((std::vector<Row>{{"Email(Primary)", "ada@example.org"}}), Rows(*dialog.lvPhone));
    EXPECT_EQ(
        (std::vector<Row>{{"Creation Time", "03/07/2010 12:00:00"}, {"Last Modification Time", "12/31/2011 18:00:00"}}),
        Rows(*dialog.lvMisc));
    EXPECT_EQ(0, dialog.lvCustom->topLevelItemCount());
}

TEST_F(TfmQoAddrDetailTest, NameBoxesAndNotesShowTheirFields)
{
    CopyText(m_contact->szDisplayName, "Grace Hopper");
    CopyText(m_contact->szCompanyName, "Navy");
    CopyText(m_contact->szJobTitle, "Rear Admiral");
    CopyText(m_contact->szNote, "first line\nsecond line");
    TfmQoAddrDetail& dialog = Open();
    EXPECT_EQ(QString("Grace Hopper"), dialog.edtDisplayName->text());
    EXPECT_EQ(QString("Navy"), dialog.edtCompany->text());
    EXPECT_EQ(QString("Rear Admiral"), dialog.edtTitle->text());
    EXPECT_EQ(QString("first line\nsecond line"), dialog.memNotes->toPlainText());
}

// The slots hold the types in reverse, so the rows can only come out in order by following the ids.
// A second Home slot and a slot with a code of no field stay out of the list.
TEST_F(TfmQoAddrDetailTest, PhonesAndEmailsFollowTheIdOrder)
{
    const char* emails[] = {"other@x", "work@x", "home@x", "home2@x", "stray@x"};
    const int32_t emailCodes[] = {3, 2, 1, 1, 9};
    for (int slot = 0; slot < kEmailSlots; ++slot) {
        m_contact->nEmailType[slot] = emailCodes[slot];
        CopyText(m_contact->szEmail[slot], emails[slot]);
    }
    CopyText(m_contact->szEmailPrimary, "primary@x");
    for (int32_t code = 1; code <= 7; ++code) {
        m_contact->nPhoneType[7 - code] = code;
        CopyText(m_contact->szPhone[7 - code], ("phone " + std::to_string(code)).c_str());
    }
    m_contact->nPhoneType[7] = 8;
    CopyText(m_contact->szPhone[7], "no such phone");
    CopyText(m_contact->szPhonePrimary, "phone primary");

    const std::vector<Row> expected = {
        {"Email(Home)", "home@x"},    {"Email(Work)", "work@x"},
        {"Email(Other)", "other@x"},  {"Email(Primary)", "primary@x"},
        {"Phone(Home)", "phone 1"},   {"Phone(Work)", "phone 2"},
        {"Phone(Mobile)", "phone 3"}, {"Fax(Home)", "phone 4"},
        {"Fax(Work)", "phone 5"},     {"Pager", "phone 6"},
        {"Phone(Other)", "phone 7"},  {"Phone(Primary)", "phone primary"},
    };
    EXPECT_EQ(expected, Rows(*Open().lvPhone));
}

// Set in reverse id order, so the typed fields sit in their slots in reverse as well.
TEST_F(TfmQoAddrDetailTest, MiscFieldsFollowTheIdOrder)
{
    struct MiscCase
    {
        int32_t id;
        const char* name;
        const char* text; // null: a date field, set to the value below
        double value;
    };
    const MiscCase cases[] = {
        {2, "Middle Name", "Augusta", 0},
        {5, "Nick Name", "Ada", 0},
        {44, "Web Site(Home)", "home.example", 0},
        {45, "Web Site(Work)", "work.example", 0},
        {46, "Home Page", "homepage.example", 0},
        {47, "FTP", "ftp.example", 0},
        {48, "Blog", "blog.example", 0},
        {49, "Profile", "profile.example", 0},
        {50, "Web Site(Other)", "other.example", 0},
        {51, "Web Site(Primary)", "primary.example", 0},
        {52, "IM(GTalk)", "gtalk-id", 0},
        {53, "IM(AIM)", "aim-id", 0},
        {54, "IM(Yahoo)", "yahoo-id", 0},
        {55, "IM(Skype)", "skype-id", 0},
        {56, "IM(QQ)", "qq-id", 0},
        {57, "IM(MSN)", "msn-id", 0},
        {58, "IM(ICQ)", "icq-id", 0},
        {59, "IM(Jabber)", "jabber-id", 0},
        {60, "IM(Primary)", "im-primary", 0},
        {81, "Birthday", nullptr, OleTime(1985, 12, 10)},
        {82, "Anniversary", nullptr, OleTime(2005, 6, 1)},
        {83, "Date(Other)", nullptr, OleTime(2020, 2, 29)},
        {84, "Spouse", "William", 0},
        {85, "Mother", "Anne", 0},
        {86, "Father", "George", 0},
        {87, "Manager", "Charles", 0},
        {88, "Assistant", "Mary", 0},
        {91, "Creation Time", nullptr, OleTime(2009, 1, 2) + 0.25},
        {92, "Last Modification Time", nullptr, OleTime(2010, 11, 12) + kNoon},
    };
    const char* dateTexts[] = {"12/10/1985", "06/01/2005", "02/29/2020", "01/02/2009 06:00:00", "11/12/2010 12:00:00"};
    for (auto c = std::rbegin(cases); c != std::rend(cases); ++c) {
        if (c->text)
            SetField(*m_contact, c->id, c->text);
        else
            SetDate(*m_contact, c->id, c->value);
    }
    // A web slot with a code no field stands for.
    m_contact->nWebType[kWebSlots - 1] = 8;
    CopyText(m_contact->szWeb[kWebSlots - 1], "stray.example");

    std::vector<Row> expected;
    int date = 0;
    for (const MiscCase& c : cases)
        expected.push_back({c.name, c.text ? c.text : dateTexts[date++]});
    EXPECT_EQ(expected, Rows(*Open().lvMisc));
}

// Every slot carries texts of its own; the type codes decide which slot, if any, each page shows.
TEST_F(TfmQoAddrDetailTest, FirstAddressSlotOfEachTypeFillsItsPage)
{
    struct AddressCase
    {
        const char* title;
        int32_t codes[kAddressSlots];
        int work; // the slot each page shows, -1 for none
        int home;
        int other;
    };
    const AddressCase cases[] = {
        {"second Work slot, free slot and code 4 ignored", {0, 2, 4, 2, 3}, 1, -1, 4},
        {"each type once, Home twice", {1, 3, 1, 0, 2}, 4, 0, 1},
        {"no slot of a page's type", {-1, 5, 0, 0, 0}, -1, -1, -1},
    };
    for (const AddressCase& c : cases) {
        SCOPED_TRACE(c.title);
        for (int slot = 0; slot < kAddressSlots; ++slot) {
            const std::string tag = "slot" + std::to_string(slot);
            m_contact->nAddressType[slot] = c.codes[slot];
            CopyText(m_contact->szStreet[slot], (tag + " street").c_str());
            CopyText(m_contact->szCity[slot], (tag + " city").c_str());
            CopyText(m_contact->szState[slot], (tag + " st").c_str());
            CopyText(m_contact->szCountry[slot], (tag + " ct").c_str());
            CopyText(m_contact->szPostal[slot], (tag + " zip").c_str());
        }
        auto expected = [](int slot) {
            if (slot < 0)
                return Row(5);
            const QString tag = QStringLiteral("slot%1 ").arg(slot);
            return Row{tag + "street", tag + "city", tag + "st", tag + "ct", tag + "zip"};
        };
        Open();
        EXPECT_EQ(expected(c.work), AddressPage("Work"));
        EXPECT_EQ(expected(c.home), AddressPage("Home"));
        EXPECT_EQ(expected(c.other), AddressPage("Other"));
    }
}

TEST_F(TfmQoAddrDetailTest, AddressPagesStandInTheirOrder)
{
    QTabWidget* pages = Open().pAddr;
    ASSERT_EQ(3, pages->count());
    const char* names[] = {"tWorkAddr", "tHomeAddr", "tOther"};
    const char* captions[] = {"Work", "Home", "Other"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(QString(names[i]), pages->widget(i)->objectName());
        EXPECT_EQ(QString(captions[i]), pages->tabText(i));
    }
}

// The value stands in its own column, under "Custom Content", after the label.
TEST_F(TfmQoAddrDetailTest, CustomRowsNeedAFieldAndShowNoneForAMissingLabel)
{
    CopyText(m_contact->szCustomLabel[0], "Shoe size");
    CopyText(m_contact->szCustomField[0], "38");
    CopyText(m_contact->szCustomField[2], "third value");
    CopyText(m_contact->szCustomLabel[4], "label only");
    CopyText(m_contact->szCustomLabel[9], "Last");
    CopyText(m_contact->szCustomField[9], "tenth value");
    QTreeWidget* list = Open().lvCustom;
    ASSERT_EQ(3, list->columnCount());
    EXPECT_EQ(QString("Custom Content"), list->headerItem()->text(2));
    const std::vector<Row> expected = {
        {"1", "Shoe size", "38"},
        {"3", "[None]", "third value"},
        {"10", "Last", "tenth value"},
    };
    EXPECT_EQ(expected, Rows(*list));
}

TEST_F(TfmQoAddrDetailTest, BirthdayShowsOnlyInTheYearsThatFormat)
{
    struct BirthdayCase
    {
        double value;
        const char* shown;
    };
    const BirthdayCase cases[] = {
        {OleTime(2035, 6, 1), "<no row>"},
        {OleTime(1900, 6, 1), "<no row>"},
        {OleTime(1931, 1, 1), "01/01/1931"},
        {OleTime(2030, 12, 31), "12/31/2030"},
    };
    for (const BirthdayCase& c : cases) {
        SCOPED_TRACE(c.shown);
        m_contact->nDateType[0] = 1;
        m_contact->dtDate[0] = c.value;
        Open();
        EXPECT_EQ(QString(c.shown), MiscRow("Birthday"));
    }
}

// Without a date part the text is a blank before the time; the row is there all the same.
TEST_F(TfmQoAddrDetailTest, UnsetTimesShowABlankAndMidnight)
{
    CopyText(m_contact->szDisplayName, "No times");
    Open();
    EXPECT_EQ(QString(" 00:00:00"), MiscRow("Creation Time"));
    EXPECT_EQ(QString(" 00:00:00"), MiscRow("Last Modification Time"));
}

// The sparse contact has every typed slot free: a lookup that created slots would claim some.
TEST_F(TfmQoAddrDetailTest, OpeningAndTypingLeaveTheRecordsUnchanged)
{
    MakeSparseContact();
    CopyText(m_contact->szCustomLabel[1], "label only");
    const RecordPtr<GAddrRecord> contactBefore = Zeroed<GAddrRecord>();
    const RecordPtr<CommAddrRecord> commonBefore = Zeroed<CommAddrRecord>();
    std::memcpy(contactBefore.get(), m_contact.get(), sizeof(GAddrRecord));
    std::memcpy(commonBefore.get(), m_common.get(), sizeof(CommAddrRecord));

    TfmQoAddrDetail& dialog = Open();
    dialog.edtDisplayName->setText("Typed over");
    Control<QLineEdit>("edtWorkCity")->setText("Typed city");
    dialog.memNotes->setPlainText("Typed note");
    dialog.btnClose->click();

    EXPECT_EQ(0, std::memcmp(contactBefore.get(), m_contact.get(), sizeof(GAddrRecord)));
    EXPECT_EQ(0, std::memcmp(commonBefore.get(), m_common.get(), sizeof(CommAddrRecord)));
}

TEST_F(TfmQoAddrDetailTest, WithoutContactOrUtilityTheControlsStayEmpty)
{
    struct MissingCase
    {
        const char* title;
        bool util;
        bool attached;
        bool record;
    };
    const MissingCase cases[] = {
        {"no utility", false, true, true},
        {"record without attachment", true, false, true},
        {"no record", true, true, false},
    };
    MakeSparseContact();
    CopyText(m_contact->szCustomField[0], "custom");
    m_contact->nAddressType[0] = 2;
    CopyText(m_contact->szCity[0], "Work city");
    for (const MissingCase& c : cases) {
        SCOPED_TRACE(c.title);
        m_common->pAttach = c.attached ? m_contact.get() : nullptr;
        m_dialog = std::make_unique<TfmQoAddrDetail>(nullptr);
        m_dialog->SetUtil(c.util ? m_util.get() : nullptr);
        m_dialog->SetRecord(c.record ? m_common.get() : nullptr);
        EXPECT_FALSE(m_dialog->TransferData());
        EXPECT_TRUE(m_dialog->edtDisplayName->text().isEmpty());
        EXPECT_TRUE(Control<QLineEdit>("edtWorkCity")->text().isEmpty());
        EXPECT_EQ(0, m_dialog->lvPhone->topLevelItemCount());
        EXPECT_EQ(0, m_dialog->lvCustom->topLevelItemCount());
        EXPECT_EQ(0, m_dialog->lvMisc->topLevelItemCount());

        m_dialog->show();
        m_dialog->btnClose->click();
        EXPECT_FALSE(m_dialog->isVisible());
    }
}

TEST_F(TfmQoAddrDetailTest, ShowContactDetailShowsTheFilledDialogModallyAndReleasesIt)
{
    MakeSparseContact();
    QWidget owner;
    QString shownName;
    m_onDialog = [&](QDialog& dialog) {
        auto* box = dialog.findChild<QLineEdit*>(QStringLiteral("edtDisplayName"));
        shownName = box ? box->text() : QStringLiteral("<no box>");
        return QDialog::Rejected;
    };
    ShowContactDetail(&owner, m_common.get(), m_util.get());
    EXPECT_EQ(std::vector<QString>{"fmQoAddrDetail"}, m_dialogs);
    ASSERT_EQ(1u, m_dialogOwners.size());
    EXPECT_EQ(&owner, m_dialogOwners[0]);
    EXPECT_EQ(QString("Ada Lovelace"), shownName);
    EXPECT_TRUE(owner.findChildren<QDialog*>().isEmpty());
}
