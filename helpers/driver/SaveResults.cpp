#include "helpers/driver/SaveResults.h"

#include "common/google/records/HelperContract.h"
#include "common/platform/Platform.h"
#include "helpers/base/HelperText.h"

#include <filesystem>

std::string OneLineValue(std::string text)
{
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}

std::string FreshResultFile(HelperKind kind, const HelperParams& params)
{
    const char* name = FilesOf(kind).resultFile;
    if (params.workFolder.empty() || !name)
        return std::string();
    const std::string path = params.workFolder + name;
    std::error_code ec;
    std::filesystem::remove(path, ec);
    return path;
}

void WriteResultFile(HelperSession& session, const std::string& path, const std::string& text)
{
    if (path.empty())
        return;
    if (!platform::ReplaceFileContents(path.c_str(), text))
        session.Error(Format("Cannot write the result file %s: %s", path.c_str(), platform::LastErrorText().c_str()));
}

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
    , m_path(FreshResultFile(session.Kind(), params))
{}

void SaveResults::Deleted(uint32_t record)
{
    m_entries += Format("%s%u=%s\r\n", kResultRecordKey, record, kResultDeleted);
    ++m_count;
}

void SaveResults::NotDeleted(uint32_t record, const std::string& reason)
{
    m_entries += Format("%s%u=%s%s\r\n", kResultRecordKey, record, kResultNotDeleted, OneLineValue(reason).c_str());
    ++m_count;
}

void SaveResults::Restored(uint32_t record, const std::string& note)
{
    if (note.empty())
        m_entries += Format("%s%u=%s\r\n", kResultRecordKey, record, kResultRestored);
    else
        m_entries += Format("%s%u=%s: %s\r\n", kResultRecordKey, record, kResultRestored, OneLineValue(note).c_str());
    ++m_count;
}

void SaveResults::NotRestored(uint32_t record, const std::string& reason)
{
    m_entries += Format("%s%u=%s%s\r\n", kResultRecordKey, record, kResultNotRestored, OneLineValue(reason).c_str());
    ++m_count;
}

void SaveResults::Refused(const std::string& reason)
{
    m_error = OneLineValue(reason);
}

void SaveResults::Write()
{
    if (m_path.empty())
        return;
    std::string text = Format("[%s]\r\n%s=%u\r\n", kResultSection, kResultCountKey, m_count);
    if (!m_error.empty())
        text += Format("%s=%s\r\n", kResultErrorKey, m_error.c_str());
    text += m_entries;
    WriteResultFile(m_session, m_path, text);
}
