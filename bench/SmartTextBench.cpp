// Times the smart matching normalisers on what a scan of 25,000 contacts hands them: one display
// name each, and three e-mail addresses and three phone numbers each on average.
//
//   qosweep_smarttext_bench [CONTACTS]    default 25000
#include "app/core/PhoneKey.h"
#include "app/core/SmartText.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

const char* const kFirst[] = {"John", "Anna", "José",  "Jürgen", "Łukasz", "Søren", "Zoë",    "Mary-Jane", "Οδυσσέας",
                              "Işık", "Li",   "Marie", "Peter",  "Ömer",   "Sarah", "Ingrid", "Ahmed",     "Claire"};
const char* const kLast[] = {"Doe",    "Müller", "García", "Smith",  "Straße", "Nowak",   "O'Brien", "Nielsen",
                             "Jensen", "Rossi",  "Dupont", "Öztürk", "Wang",   "Schmidt", "Brown",   "Παπαδόπουλος"};
const char* const kDomains[] = {"example.com", "Example.ORG", "mail.example.de", "beispiel.de"};

template <class T, size_t N>
const T& Pick(std::mt19937& rng, const T (&items)[N])
{
    return items[std::uniform_int_distribution<size_t>(0, N - 1)(rng)];
}

std::string Number(std::mt19937& rng, int digits)
{
    std::string out;
    for (int i = 0; i < digits; ++i)
        out.push_back(static_cast<char>('0' + std::uniform_int_distribution<int>(0, 9)(rng)));
    return out;
}

// A name as address books hold them: plain, "Last, First", upper case, stray blanks and quotes.
std::string Name(std::mt19937& rng)
{
    const std::string first = Pick(rng, kFirst);
    const std::string last = Pick(rng, kLast);
    switch (std::uniform_int_distribution<int>(0, 4)(rng)) {
    case 0:
        return last + ", " + first;
    case 1:
        return "  " + first + "  " + last + ".";
    case 2:
        return "\"" + first + " " + last + "\"";
    default:
        return first + " " + last;
    }
}

std::string Email(std::mt19937& rng)
{
    std::string local = std::string(Pick(rng, kFirst)) + "." + Pick(rng, kLast) + Number(rng, 2);
    const std::string address = local + "@" + Pick(rng, kDomains);
    return std::uniform_int_distribution<int>(0, 9)(rng) == 0 ? "mailto:" + address : address;
}

std::string Phone(std::mt19937& rng)
{
    switch (std::uniform_int_distribution<int>(0, 5)(rng)) {
    case 0:
        return "+49 170 " + Number(rng, 7);
    case 1:
        return "0170 " + Number(rng, 7);
    case 2:
        return "(030) " + Number(rng, 3) + " " + Number(rng, 2) + " " + Number(rng, 2);
    case 3:
        return "tel:+49-89-" + Number(rng, 6);
    case 4:
        return "+1 (650) " + Number(rng, 3) + "-" + Number(rng, 4);
    default:
        return "n/a " + Number(rng, 3); // too few digits: no identifier
    }
}

template <class Fn>
void Time(const char* what, const std::vector<std::string>& texts, Fn fn)
{
    size_t bytes = 0;
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& text : texts)
        bytes += fn(text).size();
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
    std::printf("%-8s %7zu texts %9.1f ms %7.2f us each  (%zu bytes out)\n", what, texts.size(), elapsed.count(),
                elapsed.count() * 1000 / static_cast<double>(texts.size()), bytes);
}

} // namespace

int main(int argc, char** argv)
{
    const int contacts = argc > 1 ? std::atoi(argv[1]) : 25000;
    if (contacts <= 0) {
        std::fprintf(stderr, "usage: %s [CONTACTS]\n", argv[0]);
        return 2;
    }
    std::mt19937 rng(7);
    std::vector<std::string> names, emails, phones;
    for (int i = 0; i < contacts; ++i) {
        names.push_back(Name(rng));
        for (int k = 0; k < 3; ++k) {
            emails.push_back(Email(rng));
            phones.push_back(Phone(rng));
        }
    }
    const PhoneKeys keys("DE");
    // The first calls load ICU's data and build the library's tables; a scan pays that once.
    NormalizeName("Jürgen");
    keys.Key("+49 170 1234567");

    const auto start = std::chrono::steady_clock::now();
    Time("names", names, [](const std::string& text) { return NormalizeName(text); });
    Time("e-mails", emails, [](const std::string& text) { return EmailKey(text); });
    Time("phones", phones, [&](const std::string& text) { return keys.Key(text); });
    const std::chrono::duration<double, std::milli> total = std::chrono::steady_clock::now() - start;
    std::printf("total    %9.1f ms for %d contacts\n", total.count(), contacts);
    return 0;
}
