// Where each item component of an iCalendar file of several (a calendar export) lies, so that one
// item can be served and deleted without touching a byte of the rest: the VCALENDAR's own lines, its
// VTIMEZONEs and the other items.
#pragma once

#include "helpers/base/TextSpan.h"

#include <string>
#include <string_view>
#include <vector>

// The components named component ("VEVENT", "VTODO", "VJOURNAL") directly inside a VCALENDAR, in
// order, each from its BEGIN line to the line break of its END line, with its UID and whether it is a
// changed occurrence (RECURRENCE-ID). BEGIN, END, UID and RECURRENCE-ID lines are recognised unfolded,
// as the reader recognises them. False, with the reason in fault, for a text whose components are not
// all closed in order: the reader would repair it, and a repaired guess is no place to cut the file.
// Components of that name anywhere else are not found; the caller checks what is left with the reader.
bool FindCalendarComponents(std::string_view text, std::string_view component, std::vector<ComponentSpan>& found,
                            std::string& fault);
