// The contacts benchmark: generated address books under the default contact rule.

#include "bench/BenchKinds.h"

#include "app/core/Apputil.h"
#include "bench/BenchSupport.h"
#include "common/google/CxGContact.h"
#include "common/google/records/CxGDataFile.h"

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

const char* const kFirst[] = {"James", "Mary",  "Robert", "Patricia", "John",   "Jennifer", "Michael", "Linda",
                              "David", "Elena", "Yusuf",  "Mei",      "Carlos", "Aisha",    "Pieter",  "Ingrid",
                              "Omar",  "Sofia", "Kenji",  "Fatima",   "Lucas",  "Chloe",    "Ahmed",   "Nora"};
const char* const kLast[] = {"Smith",  "Johnson",  "Williams", "Brown",   "Garcia",  "Miller", "Davis",   "Martinez",
                             "Nguyen", "Kowalski", "Okafor",   "Tanaka",  "Jensen",  "Rossi",  "Haddad",  "Silva",
                             "Novak",  "Larsen",   "Moreau",   "Schmidt", "Ivanova", "Park",   "Fischer", "Dubois"};
const char* const kCompany[] = {"Northwind Traders", "Blue Harbor Ltd",  "Acorn Labs",
                                "Riverside Clinic",  "Summit Logistics", "Pine & Partners"};
const char* const kTitle[] = {"Sales Manager", "Engineer", "Nurse", "Accountant", "Designer", "Teacher"};
const char* const kCity[] = {"Springfield", "Riverton", "Lakeside", "Hillview", "Maplewood", "Fairmont"};
const char* const kDomain[] = {"example.com", "example.org", "example.net"};

// A contact with the fields a real address book fills; index makes its name and e-mail unique.
void FillContact(GAddrRecord& r, int index, std::mt19937& rng)
{
    std::memset(&r, 0, sizeof r);
    const char* first = kFirst[index % std::size(kFirst)];
    const char* last = kLast[(index / std::size(kFirst)) % std::size(kLast)];
    r.nHeadValue1 = index;
    FormatText(r.szHelperText, "contacts/%08x-%04x.vcf", static_cast<unsigned>(rng()), index & 0xffff);
    CopyText(r.szFirstName, first);
    CopyText(r.szLastName, last);
    FormatText(r.szDisplayName, "%s %s %d", first, last, index);
    CopyText(r.szCompanyName, kCompany[index % std::size(kCompany)]);
    CopyText(r.szJobTitle, kTitle[index % std::size(kTitle)]);
    r.nEmailType[0] = EMAIL_WORK;
    FormatText(r.szEmail[0], "%s.%s%d@%s", first, last, index, kDomain[index % std::size(kDomain)]);
    CopyText(r.szEmailPrimary, r.szEmail[0]);
    if (index % 3 == 0) {
        r.nEmailType[1] = EMAIL_HOME;
        FormatText(r.szEmail[1], "%c%s%d@mail.example.com", first[0], last, index);
    }
    r.nPhoneType[0] = PHONE_MOBILE;
    FormatText(r.szPhone[0], "+1 555 %03d %04d", index % 1000, static_cast<int>(rng() % 10000));
    CopyText(r.szPhonePrimary, r.szPhone[0]);
    r.nAddressType[0] = ADDRESS_HOME;
    FormatText(r.szStreet[0], "%d Elm Street", 1 + index % 400);
    CopyText(r.szCity[0], kCity[index % std::size(kCity)]);
    CopyText(r.szPostal[0], "12345");
    CopyText(r.szCountry[0], "USA");
    FormatText(r.szAddress[0], "%s\n%s 12345\nUSA", r.szStreet[0], r.szCity[0]);
    if (index % 4 == 0) {
        r.nDateType[0] = DATE_BIRTHDAY;
        r.dtDate[0] = 25000.0 + index % 15000;
    }
    FormatText(r.szNote, "Met at the %d conference; prefers e-mail.", 2010 + index % 15);
    CopyText(r.szCategory, "My Contacts");
    r.dtCreated = RandomTime(rng);
    r.dtModified = r.dtCreated + 1.0;
}

// Writes count contacts, every tenth one a copy of an earlier contact under the default rule (same
// name and e-mail addresses, its own phone and times).
bool WriteContactsFile(const std::string& path, int count)
{
    CxFile file;
    if (!file.Open(path.c_str(), "wb") || !file.WriteInt(count))
        return false;
    std::mt19937 rng(20261210);
    std::vector<char> block(sizeof(GAddrRecord));
    auto& record = *reinterpret_cast<GAddrRecord*>(block.data());
    CxGFieldWriter writer(file);
    for (int i = 0; i < count; ++i) {
        const bool duplicate = i % 10 == 9;
        int source = i;
        if (duplicate) {
            // An earlier original, never a position that itself holds a copy.
            source = static_cast<int>(rng() % static_cast<unsigned>(i));
            source -= source % 10 == 9 ? 1 : 0;
        }
        FillContact(record, source, rng);
        if (duplicate) {
            FormatText(record.szPhone[0], "+1 555 777 %04d", i % 10000);
            record.dtModified = RandomTime(rng);
        }
        GAddrRecordFields(writer, record);
    }
    return writer.Ok() && file.CloseFlushed();
}

// The rule a new user starts with: Display Name and E-mail, letter case ignored.
class ContactSession : public BenchSession
{
public:
    explicit ContactSession(const std::string& folder)
    {
        AppSettings.CaseSensitive = false;
        AppSettings.AddrDisplayName = true;
        AppSettings.AddrEmail = true;
        m_util.SetWorkFolder(folder.c_str());
        g_pAddrUtil = &m_util;
        g_pAddrDupList = &m_dupList;
    }
    ~ContactSession() override
    {
        g_pAddrUtil = nullptr;
        g_pAddrDupList = nullptr;
    }

    bool Load() override { return m_util.LoadDataFile(); }
    void Scan() override { ScanContactDuplicates(); }
    void ScanPairwise() override { ScanContactDuplicatesPairwise(); }
    void Rescan() override
    {
        AppSettings.CaseSensitive = !AppSettings.CaseSensitive;
        ScanContactDuplicates();
    }
    std::vector<const void*> DupList() override { return ListItems(m_dupList); }

private:
    CxGAddrUtil m_util;
    CxList m_dupList;
};

bool WriteContactFiles(const std::string& folder, int count)
{
    return WriteContactsFile(folder + FilesOf(HelperKind::Contacts).dataFile, count);
}

std::unique_ptr<BenchSession> OpenContacts(const std::string& folder)
{
    return std::make_unique<ContactSession>(folder);
}

} // namespace

const BenchKind& ContactBench()
{
    static const BenchKind kind = {
        "contacts",
        "Contacts: load of the data file and duplicate scan under the default rule",
        {"1000", "5000", "25000"},
        FilesOf(HelperKind::Contacts).dataFile,
        {sizeof(GAddrRecord), sizeof(CommAddrRecord)},
        WriteContactFiles,
        OpenContacts,
    };
    return kind;
}
