// Field encodings and the record container of the data files shared with the helper programs.
#pragma once

#include "common/misc/CxFile.h"
#include "common/misc/CxList.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

// Reads one record's fields in file order. Each kind lists its fields once, in a template that
// takes either this or CxGFieldWriter, so reading and writing can never disagree on the order.
class CxGFieldReader
{
public:
    explicit CxGFieldReader(CxFile& file)
        : m_file(file)
    {}

    template <FixedSizeField<4> T>
    void Int(T& value)
    {
        m_file.ReadInt(&value);
    }
    template <FixedSizeField<8> T>
    void Value(T& value)
    {
        m_file.ReadDouble(&value);
    }
    // Bounded by the field's capacity: a longer text is cut and the rest of it skipped.
    void Text(char* buffer, size_t capacity) { m_file.ReadString(buffer, capacity); }
    template <size_t N>
    void Text(char (&buffer)[N])
    {
        Text(buffer, N);
    }

private:
    CxFile& m_file;
};

// Writes one record's fields in file order; see CxGFieldReader.
class CxGFieldWriter
{
public:
    explicit CxGFieldWriter(CxFile& file)
        : m_file(file)
    {}

    template <FixedSizeField<4> T>
    void Int(const T& value)
    {
        int32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        Note(m_file.WriteInt(bits));
    }
    template <FixedSizeField<8> T>
    void Value(const T& value)
    {
        double bits;
        std::memcpy(&bits, &value, sizeof bits);
        Note(m_file.WriteDouble(bits));
    }
    // Never reads past the field, even when a record's text lost its terminator.
    void Text(const char* buffer, size_t capacity);
    template <size_t N>
    void Text(const char (&buffer)[N])
    {
        Text(buffer, N);
    }

    // False once any field could not be written.
    bool Ok() const { return m_bOk; }

private:
    void Note(bool written) { m_bOk = m_bOk && written; }

    CxFile& m_file;
    bool m_bOk = true;
};

// One record's fields from or to the open file, in the order a kind's field list gives them (e.g.
// GDateRecordFields<CxGFieldReader, GDateRecord>). False without a record or an open file; a write
// is also false when any byte could not be written.
template <class Record>
bool ReadFields(CxFile& file, Record* record, void (*fields)(CxGFieldReader&, Record&))
{
    if (!record || !file.IsOpen())
        return false;
    CxGFieldReader reader(file);
    fields(reader, *record);
    return true;
}

template <class Record>
bool WriteFields(CxFile& file, const Record* record, void (*fields)(CxGFieldWriter&, const Record&))
{
    if (!record || !file.IsOpen())
        return false;
    CxGFieldWriter writer(file);
    fields(writer, *record);
    return writer.Ok();
}

// Reads the record count at the start of a data file. A file too short to hold it counts 0.
uint32_t ReadRecordCount(CxFile& file);

// Reads the records that follow the count. readRecord(CxFile&, Record*) fills a zero-filled record;
// keep(Record*) takes each record read, complete or cut short by the end of the file, and may copy
// it but not keep the pointer. Reading stops after the count or at the end of the file, whichever
// comes first, so a damaged count never makes records out of nothing. Returns the records read.
template <class Record, class ReadRecord, class Keep>
uint32_t ReadDataRecords(CxFile& file, uint32_t count, ReadRecord readRecord, Keep keep)
{
    // One scratch record for the whole file: some kinds' records are tens of kilobytes.
    struct Free
    {
        void operator()(Record* p) const { std::free(p); }
    };
    std::unique_ptr<Record, Free> raw(static_cast<Record*>(std::malloc(sizeof(Record))));
    if (!raw)
        return 0;
    uint32_t read = 0;
    while (read < count && !file.AtEnd()) {
        std::memset(raw.get(), 0, sizeof(Record));
        readRecord(file, raw.get());
        keep(raw.get());
        ++read;
        if (file.Eof())
            break;
    }
    return read;
}

// The same walk, each record read straight into a zero-filled record of its own and handed over:
// adopt(Record*) owns it from then on. With records of tens of kilobytes, copying each out of a
// scratch record was most of a load. A record that cannot be allocated is read into a scratch
// record and dropped, so the records after it still start in the right place.
template <class Record, class ReadRecord, class Adopt>
uint32_t ReadOwnedRecords(CxFile& file, uint32_t count, ReadRecord readRecord, Adopt adopt)
{
    struct Free
    {
        void operator()(Record* p) const { std::free(p); }
    };
    std::unique_ptr<Record, Free> scratch;
    uint32_t read = 0;
    while (read < count && !file.AtEnd()) {
        auto* raw = static_cast<Record*>(std::calloc(1, sizeof(Record)));
        if (raw) {
            readRecord(file, raw);
            adopt(raw);
        } else {
            if (!scratch)
                scratch.reset(static_cast<Record*>(std::malloc(sizeof(Record))));
            if (!scratch)
                break;
            std::memset(scratch.get(), 0, sizeof(Record));
            readRecord(file, scratch.get());
        }
        ++read;
        if (file.Eof())
            break;
    }
    return read;
}

// Appends a record allocated with malloc to a list that owns its records, without a copy; null, with
// the record released, when memory runs out.
template <class Record>
Record* AppendOwned(CxList& records, Record* record)
{
    if (record && !records.Add(record)) {
        std::free(record);
        return nullptr;
    }
    return record;
}

// Writes the count of the list and then each record in list order with
// writeRecord(CxFile&, const Record*). False when any byte could not be written.
template <class Record, class WriteRecord>
bool WriteDataRecords(CxFile& file, CxList& records, WriteRecord writeRecord)
{
    bool ok = file.WriteInt(static_cast<int32_t>(records.GetCount()));
    for (void* item = records.GetFirst(); item && ok; item = records.GetNext())
        ok = writeRecord(file, static_cast<const Record*>(item));
    return ok;
}

// A newly allocated copy of a record, for the lists that own raw records (released with free).
template <class Record>
Record* CopyRecord(const Record& record)
{
    auto* copy = static_cast<Record*>(std::malloc(sizeof(Record)));
    if (copy)
        std::memcpy(copy, &record, sizeof(Record));
    return copy;
}

// Appends a newly allocated copy of a record to a list that owns its records; null, with nothing
// appended, when memory runs out.
template <class Record>
Record* AppendCopy(CxList& records, const Record& record)
{
    Record* copy = CopyRecord(record);
    if (copy && !records.Add(copy)) {
        std::free(copy);
        return nullptr;
    }
    return copy;
}
