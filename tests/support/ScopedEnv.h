// Sets an environment variable (or the time zone) for one test and puts the old value back.
#pragma once

#include <cstdlib>
#include <ctime>
#include <string>

class ScopedEnv
{
public:
    ScopedEnv(const char* name, const char* value)
        : m_name(name)
    {
        const char* old = std::getenv(name);
        m_had = old != nullptr;
        if (old)
            m_old = old;
        setenv(name, value, 1);
    }
    ~ScopedEnv() { Restore(); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

    // Puts the old value back now; later calls do nothing.
    void Restore()
    {
        if (m_restored)
            return;
        m_restored = true;
        if (m_had)
            setenv(m_name.c_str(), m_old.c_str(), 1);
        else
            unsetenv(m_name.c_str());
    }

private:
    std::string m_name;
    bool m_had = false;
    bool m_restored = false;
    std::string m_old;
};

// The C library reads TZ again only when told to, after setting and after restoring it.
class ScopedTz
{
public:
    explicit ScopedTz(const char* tz)
        : m_tz("TZ", tz)
    {
        tzset();
    }
    ~ScopedTz()
    {
        m_tz.Restore();
        tzset();
    }

private:
    ScopedEnv m_tz;
};
