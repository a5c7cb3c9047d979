// A small record kind for the data file and utility tests: the item head, short and long texts and
// a date, so cuts and the field order show.
#pragma once

#include "common/google/records/CxGDataFile.h"
#include "common/misc/TextBuf.h"
#include "tests/support/ByteImage.h"

#include <cstdint>
#include <cstring>
#include <string>

struct TestRecord
{
    int32_t nItemId;
    int32_t ActionCode;
    int32_t nEtag;
    char szName[8];
    double dtModified;
    char szNote[32];
    int32_t nAfter;
};

template <class Io, class Record>
void TestRecordFields(Io& io, Record& r)
{
    io.Int(r.nItemId);
    io.Int(r.ActionCode);
    io.Int(r.nEtag);
    io.Text(r.szName);
    io.Value(r.dtModified);
    io.Text(r.szNote);
    io.Int(r.nAfter);
}

inline bool ReadTestRecord(CxFile& file, TestRecord* record)
{
    CxGFieldReader reader(file);
    TestRecordFields(reader, *record);
    return true;
}

inline bool WriteTestRecord(CxFile& file, const TestRecord* record)
{
    CxGFieldWriter writer(file);
    TestRecordFields(writer, *record);
    return writer.Ok();
}

inline TestRecord MakeTestRecord(int32_t id, const char* name, double modified, const char* note, int32_t after)
{
    TestRecord r;
    std::memset(&r, 0, sizeof r);
    r.nItemId = id;
    r.ActionCode = 0;
    r.nEtag = id * 10;
    CopyText(r.szName, name);
    r.dtModified = modified;
    CopyText(r.szNote, note);
    r.nAfter = after;
    return r;
}

// Byte images of whole records, built field by field, to compare with what the code writes.
class Bytes
{
public:
    Bytes& Int(int32_t value) { return Add(Int32(value)); }
    Bytes& Value(double value) { return Add(Double(value)); }
    Bytes& Text(const std::string& text) { return Add(::Text(text)); }
    Bytes& Record(const TestRecord& r)
    {
        return Int(r.nItemId)
            .Int(r.ActionCode)
            .Int(r.nEtag)
            .Text(r.szName)
            .Value(r.dtModified)
            .Text(r.szNote)
            .Int(r.nAfter);
    }
    const std::string& str() const { return m_bytes; }
    size_t size() const { return m_bytes.size(); }

private:
    Bytes& Add(const std::string& bytes)
    {
        m_bytes += bytes;
        return *this;
    }

    std::string m_bytes;
};
