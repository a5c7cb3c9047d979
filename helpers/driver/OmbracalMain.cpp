// Ombracal.exe: the calendar helper program.
#include "helpers/driver/HelperDriver.h"

int main(int argc, char** argv)
{
    return HelperProgramMain(HelperKind::Calendar, argc, argv);
}
