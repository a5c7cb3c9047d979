// Ombracon.exe: the contacts helper program.
#include "helpers/HelperDriver.h"

int main(int argc, char** argv)
{
    return HelperProgramMain(ItemKind::Contacts, argc, argv);
}
