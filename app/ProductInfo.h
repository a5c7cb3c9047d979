// Where users reach us: the support mailbox and the product's web page.
#pragma once

// Both live on a domain reserved for examples until the product has its own.
inline constexpr const char* kSupportEmail = "support@qosweep.example.com";
inline constexpr const char* kProductWebPage = "https://www.qosweep.example.com/";
inline constexpr const char* kBugReportSubject = "Qosweep Bug Report";
