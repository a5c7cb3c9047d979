// TEMPORARY stand-in (not committed).
#pragma once
#include <string>
#include <string_view>
class PhoneKeys
{
public:
    explicit PhoneKeys(std::string region)
        : m_region(std::move(region))
    {}
    std::string Key(std::string_view text) const;

private:
    std::string m_region;
};
std::string DefaultPhoneRegion();
