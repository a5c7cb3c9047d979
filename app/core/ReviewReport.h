// The report of what a deletion would do, written before anything is deleted: every group of the
// loaded duplicate lists with its kept record, its duplicates (ticked or not), the fields that
// matched and what would be lost.
#pragma once

#include <string>

enum class ReportFormat { Csv, Html };

// Writes the report of the chosen applications' duplicate lists to path, replacing the file as a
// whole (never half written); false with the reason in fault.
bool WriteReviewReport(const std::string& path, ReportFormat format, std::string& fault);
