// Task and note data file images built field by field from their file layouts, independently of the
// code under test.
#pragma once

#include "tests/support/RecordImage.h"

// The rows of a task in "GTask.dat".
inline constexpr LayoutRow kTaskLayout[] = {
    {'i', 1}, {'i', 1}, {'i', 1}, // 1-3 head: helper's value, ActionCode, helper's value
    {'t', 1}, {'d', 1},           // 4-5 subject, due date
    {'i', 1}, {'i', 1},           // 6-7 priority, completed
    {'t', 1},                     // 8 note
    {'d', 1}, {'d', 1},           // 9-10 creation, last modification
};

// The rows of a note in "GNote.dat".
inline constexpr LayoutRow kNoteLayout[] = {
    {'i', 1}, {'i', 1}, {'i', 1}, // 1-3 head: helper's value, ActionCode, helper's value
    {'t', 1}, {'t', 1},           // 4-5 subject, note
    {'d', 1}, {'d', 1},           // 6-7 creation, last modification
};
