#include "helpers/ContactCard.h"

bool ReadContactCard(std::string_view, GAddrRecord&, std::string& problem)
{
    problem = "not built yet";
    return false;
}
