#include "helpers/driver/SaveResults.h"

#include "common/google/records/HelperContract.h"
#include "common/platform/Platform.h"
#include "helpers/base/HelperText.h"

#include <filesystem>

namespace {

// A value is one line; a file name may hold a line break.
std::string OneLine(const std::string& text)
{
    std::string line = text;
    for (char& c : line)
        if (c == '\r' || c == '\n')
            c = ' ';
    return line;
}

} // namespace

std::string ChangedError(const std::string& shown)
{
    return Format("%s changed since it was loaded, not deleted", shown.c_str());
}

std::string UnidentifiedError(const std::string& shown)
{
    return Format("%s was loaded without a record of its content, not deleted; load the account again", shown.c_str());
}

SaveResults::SaveResults(HelperSession& session, const HelperParams& params)
    : m_session(session)
{
    const char* name = FilesOf(session.Kind()).resultFile;
    if (params.workFolder.empty() || !name)
        return;
    m_path = params.workFolder + name;
    std::error_code ec;
    std::filesystem::remove(m_path, ec);
}

void SaveResults::Deleted(uint32_t record)
{
    m_entries += Format("%s%u=%s\r\n", kResultRecordKey, record, kResultDeleted);
    ++m_count;
}

void SaveResults::NotDeleted(uint32_t record, const std::string& reason)
{
    m_entries += Format("%s%u=%s%s\r\n", kResultRecordKey, record, kResultNotDeleted, OneLine(reason).c_str());
    ++m_count;
}

void SaveResults::Restored(uint32_t record, const std::string& note)
{
    if (note.empty())
        m_entries += Format("%s%u=%s\r\n", kResultRecordKey, record, kResultRestored);
    else
        m_entries += Format("%s%u=%s: %s\r\n", kResultRecordKey, record, kResultRestored, OneLine(note).c_str());
    ++m_count;
}

void SaveResults::NotRestored(uint32_t record, const std::string& reason)
{
    m_entries += Format("%s%u=%s%s\r\n", kResultRecordKey, record, kResultNotRestored, OneLine(reason).c_str());
    ++m_count;
}

void SaveResults::Refused(const std::string& reason)
{
    m_error = OneLine(reason);
}

void SaveResults::Write()
{
    if (m_path.empty())
        return;
    std::string text = Format("[%s]\r\n%s=%u\r\n", kResultSection, kResultCountKey, m_count);
    if (!m_error.empty())
        text += Format("%s=%s\r\n", kResultErrorKey, m_error.c_str());
    text += m_entries;
    if (!platform::ReplaceFileContents(m_path.c_str(), text))
        m_session.Error(
            Format("Cannot write the result file %s: %s", m_path.c_str(), platform::LastErrorText().c_str()));
}
