#include "helpers/CalendarItems.h"

bool ReadEventItem(std::string_view, GDateRecord&, std::string& problem)
{
    problem = "not built yet";
    return false;
}

bool ReadTaskItem(std::string_view, GTaskRecord&, std::string& problem)
{
    problem = "not built yet";
    return false;
}

bool ReadNoteItem(std::string_view, GNoteRecord&, std::string& problem)
{
    problem = "not built yet";
    return false;
}
