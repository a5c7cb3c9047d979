// The restore job of the trash dialog: puts the chosen deleted items back through the helpers and
// logs a block for each with the helper's verdict, then true totals.
#pragma once

#include "app/core/DeletedItems.h"
#include "app/core/Deletion.h"

#include <cstdint>
#include <string>
#include <vector>

class CxGAppBaseUtil;

class Restoration
{
public:
    static constexpr size_t kLineCapacity = Deletion::kLineCapacity;
    static constexpr int kPauseMs = Deletion::kPauseMs;

    // The sink and the items must outlive the job. The sink is the deletion's: the same log, bar and
    // wait window calls.
    Restoration(DeletionSink& sink, DeletedItems& items);
    Restoration(const Restoration&) = delete;
    Restoration& operator=(const Restoration&) = delete;

    // The log's head and progress 0.
    void Begin();
    // Marks the chosen items of each kind, restores each kind that has any behind the wait window,
    // then logs every chosen item's block with its verdict and the summary.
    void Run();

    // What the helpers said they restored, and how many were chosen.
    int32_t m_nRestoredContacts = 0;
    int32_t m_nRestoredEvents = 0;
    int32_t m_nChosenContacts = 0;
    int32_t m_nChosenEvents = 0;

private:
    // What one kind's restore did, as far as the app can know.
    struct KindRun
    {
        enum class State { None, Reported, NotRun, Unknown };
        State state = State::None;
        std::string reason; // NotRun and Unknown: why; Reported: the helper's refusal of the whole run
        int32_t nChosen = 0;
        int32_t nRestored = 0;
        std::vector<std::string> failures; // "<name>: <reason>" of each one not restored
    };

    KindRun RestoreKind(CxGAppBaseUtil& util, TrashKind kind, const char* szDataFolder, const char* szStatusFile);
    void LogBlocks(KindRun& run, TrashKind kind);
    void LogSummary(const KindRun& contacts, const KindRun& events);
    static void AddSummary(std::vector<std::string>& lines, const KindRun& run, const char* szKind);
    std::string VerdictOf(const DeletedItem& item, KindRun& run) const;
    void HoldFields(const DeletedItem& item);
    void StepProgress();

    void LogLine(const std::string& text);
    void LogField(const char* szLabel, const char* szValue);

    DeletionSink& m_sink;
    DeletedItems& m_items;
    int32_t m_nLogged = 0;
    int m_nPercent = 0;
};
