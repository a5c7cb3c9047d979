// The deletion job the deletion page shows: walks the chosen applications' duplicate lists, marks the
// ticked records, saves the marks through the helper programs and logs every record it handles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CxGAppBaseUtil;
struct GAddrRecord;
struct GDateRecord;
struct SaveRecordResult;

// Where the job reports, in the order things happen and on the thread that runs it.
class DeletionSink
{
public:
    virtual ~DeletionSink() = default;
    // One log line of at most Deletion::kLineCapacity - 1 bytes, whole UTF-8 characters; empty for the
    // gap between blocks.
    virtual void LogLine(const char* szLine) = 0;
    // The share of the chosen records walked, 0 to 100; reported when it changes.
    virtual void Progress(int nPercent) = 0;
    // Shown once before the walk and hidden once after the last save. An exception leaves it shown:
    // whoever catches it takes the window down.
    virtual void ShowWaitWindow() = 0;
    virtual void HideWaitWindow() = 0;
    virtual void SetWaitText(const char* szText) = 0;
    // The file whose first line the wait window shows while the save that follows runs.
    virtual void SetWaitStatusFile(const char* szPath) = 0;
    // Lets the wait window paint before the thread blocks again; a test sink need not wait.
    virtual void Pause(int nMilliseconds) = 0;
};

class Deletion
{
public:
    // Every log line is built in a buffer of this size, terminator included.
    static constexpr size_t kLineCapacity = 256;
    static constexpr int kPauseMs = 100;

    // The sink must outlive the job.
    explicit Deletion(DeletionSink& sink);
    virtual ~Deletion() = default;
    Deletion(const Deletion&) = delete;
    Deletion& operator=(const Deletion&) = delete;

    // What entering the deletion page shows: the log's head, the counters at 0, progress 0.
    void Begin();
    // Counts the chosen applications' records, walks the contacts and then the events behind the wait
    // window, saves each kind's marks and logs the summary. A record's block is logged once its kind's
    // save has told what became of it. An exception stops the walk where it is, with no save and no
    // summary after it; the blocks walked so far are logged as not deleted.
    void Run();

    // "\t<label>: <value>", an empty or missing value written as "<empty>", cut to fit the line
    // buffer on a whole UTF-8 character.
    static void FormatFieldLine(char (&szLine)[kLineCapacity], const char* szLabel, const char* szValue);

    // One record of the contact duplicate list: logged, marked and counted when it was ticked. Virtual
    // so a test can make the deletion fail part-way (for testing).
    virtual void DeleteContactItem(GAddrRecord* pRecord);

    // Records whose marking succeeded; tasks and notes are never deleted here and stay 0. What the
    // helper deleted of them is in the log and its summary.
    int32_t m_nDeletedContacts = 0;
    int32_t m_nDeletedEvents = 0;
    int32_t m_nDeletedTasks = 0;
    int32_t m_nDeletedNotes = 0;
    // Records in the chosen applications' duplicate lists, and how many of them were walked.
    int32_t m_nTotal = 0;
    int32_t m_nProcessed = 0;
    // After Run: the records the helpers said they deleted, and when the run began as the trash
    // dates its deletions ("YYYY-MM-DD HH:MM:SS", local time), so the run's deletions can be told
    // from earlier ones.
    int32_t m_nConfirmedDeleted = 0;
    std::string m_startedAt;

private:
    // A ticked record's block, held until its kind's save is over.
    struct PendingBlock
    {
        std::vector<std::string> lines;
        const void* pNode; // the common record it was marked through
        bool bMarked;
    };
    // What one kind's save did, as far as the app can know.
    struct KindSave
    {
        enum class State {
            None,     // nothing marked, nothing saved
            Reported, // the helper's result file tells each record's fate
            NotSaved, // no helper ran, or it refused the whole save: nothing deleted
            Unknown,  // the helper ended without a report, or did not end in time
        };
        State state = State::None;
        std::string reason;  // NotSaved and Unknown: why, as the log says it
        std::string refusal; // Reported: why the helper deleted nothing at all, when it says so
        int32_t nMarked = 0;
        int32_t nDeleted = 0;
    };
    using ResultLookup = std::function<const SaveRecordResult*(const void* pNode)>;

    void ResetCounters();
    void CountChosenRecords();
    // Each walks its kind's duplicate list, saves the marks and then logs the blocks.
    KindSave DeleteContacts(const char* szDataFolder);
    KindSave DeleteEvents(const char* szDataFolder);
    void DeleteEventItem(GDateRecord* pRecord);
    void StepProgress();
    void ReportProgress(int nPercent);
    KindSave SaveMarks(CxGAppBaseUtil& util, int32_t nMarked, const char* szDataFolder, const char* szStatusFile);
    // Logs the held blocks with their verdicts (and counts the deleted ones into save).
    void LogBlocks(KindSave& save, const ResultLookup& resultOf);
    void LogSummary(const KindSave& contacts, const KindSave& events);
    static std::string SummaryLine(const KindSave& save, const char* szKind);
    void HoldBlock(const void* pNode, bool bMarked);

    void LogLine(const char* szText);
    void LogRule();
    void LogGap();
    void HoldLine(const char* szText);
    void HoldField(const char* szLabel, const char* szValue);

    DeletionSink& m_sink;
    int m_nPercent = 0;                    // last reported
    std::vector<std::string> m_blockLines; // the block being walked
    std::vector<PendingBlock> m_pending;   // the blocks of the kind being walked
};
