// Sets the time zone for one test and puts the old value back.
#pragma once

#include <cstdlib>
#include <ctime>
#include <string>

class ScopedTz
{
public:
    explicit ScopedTz(const char* tz)
    {
        const char* old = std::getenv("TZ");
        m_had = old != nullptr;
        if (old)
            m_old = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ScopedTz()
    {
        if (m_had)
            setenv("TZ", m_old.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool m_had = false;
    std::string m_old;
};
