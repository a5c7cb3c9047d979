// Times the review page's facts and comparison of every duplicate of a large account: each kept
// contact with two duplicates, one holding the kept one's numbers, one of them written otherwise, and
// a number of its own the kept one lacks; the other only the mobile number.
//
//   qosweep_reviewfacts_bench [ROWS] [exact|smart]    default 25000 smart
#include "app/core/AppSettings.h"
#include "app/core/ReviewFacts.h"
#include "common/misc/TextBuf.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

struct FreeRecord
{
    void operator()(void* p) const { std::free(p); }
};
using Contact = std::unique_ptr<GAddrRecord, FreeRecord>;

Contact MakeContact(const std::string& name, const std::string& email, const std::vector<std::string>& phones)
{
    Contact r(static_cast<GAddrRecord*>(std::calloc(1, sizeof(GAddrRecord))));
    CopyText(r->szDisplayName, name.c_str());
    CopyText(r->szEmail[0], email.c_str());
    r->nEmailType[0] = 1;
    for (size_t i = 0; i < phones.size() && i < 10; ++i) {
        CopyText(r->szPhone[i], phones[i].c_str());
        r->nPhoneType[i] = static_cast<int32_t>(i + 1);
    }
    return r;
}

double Milliseconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

int main(int argc, char** argv)
{
    const int rows = argc > 1 ? std::atoi(argv[1]) : 25000;
    AppSettings.MatchMode = argc > 2 && std::strcmp(argv[2], "exact") == 0 ? MATCH_EXACT : MATCH_SMART;
    AppSettings.AddrDisplayName = AppSettings.AddrEmail = true;
    setenv("LC_TELEPHONE", "de_DE.UTF-8", 1);

    std::vector<Contact> kept, dups;
    for (int i = 0; i < (rows + 1) / 2; ++i) {
        const std::string n = std::to_string(1000000 + i);
        const std::string landline = std::to_string(9999999 - i), own = std::to_string(5000000 + 7 * i);
        const std::string name = "Person " + n, email = "p" + n + "@example.org";
        kept.push_back(MakeContact(name, email, {"+49 170 " + n, "+49 30 " + landline}));
        dups.push_back(MakeContact(name, email, {"+49 170 " + n, "030 " + landline, "+49 40 " + own}));
        dups.push_back(MakeContact(name, email, {"+49 170 " + n}));
        dups[dups.size() - 2]->pKept = dups.back()->pKept = kept.back().get();
    }
    dups.resize(static_cast<size_t>(rows));

    for (int pass = 1; pass <= 2; ++pass) {
        const auto start = std::chrono::steady_clock::now();
        size_t lost = 0;
        for (const Contact& d : dups)
            lost += ContactReviewFacts(*d).wouldBeLost.size();
        const double facts = Milliseconds(start);
        const auto compareStart = std::chrono::steady_clock::now();
        size_t fields = 0;
        for (const Contact& d : dups)
            fields += CompareContacts(*d, *d->pKept).size();
        std::printf("pass %d: %d rows (%s): facts %.0f ms (%zu lost), comparison %.0f ms (%zu fields)\n", pass, rows,
                    AppSettings.MatchMode == MATCH_SMART ? "smart" : "exact", facts, lost, Milliseconds(compareStart),
                    fields);
    }
    return 0;
}
