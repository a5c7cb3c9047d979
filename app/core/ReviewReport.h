// The report of what a deletion would do, written before anything is deleted: every group of the
// loaded duplicate lists with its kept record, its duplicates (ticked or not), the fields that
// matched and what would be lost.
#pragma once

#include <string>

enum class ReportFormat { Csv, Html };

// The report of the chosen applications' duplicate lists. A record counts as ticked when it carries
// REC_SELECTED, so the review page takes its rows' ticks into the records first.
//
// CSV (RFC 4180, UTF-8, CRLF line ends, a header row): one row per record with its application, its
// group's number within the application, its role and four texts: name, e-mail address, phone number
// and company of a contact, or subject, start, end and location of an event; then what it matched on
// and what would be lost. Roles: "kept" (stays), "delete" (a ticked duplicate), "keep (unticked)",
// "delete (kept record ticked)" and "delete (not a duplicate)" for records the user ticked while every
// record was shown. HTML: one self-contained page, a table per application, a row group per group.
std::string ReviewReportText(ReportFormat format);

// Writes the report of the chosen applications' duplicate lists to path, replacing the file as a
// whole (never half written) and readable by its owner only; false with the reason in fault.
bool WriteReviewReport(const std::string& path, ReportFormat format, std::string& fault);
