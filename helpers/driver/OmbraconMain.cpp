// Ombracon.exe: the contacts helper program.
#include "helpers/driver/HelperDriver.h"

int main(int argc, char** argv)
{
    return HelperProgramMain(HelperKind::Contacts, argc, argv);
}
