// Ombracal.exe: the calendar helper program.
#include "helpers/HelperDriver.h"

int main(int argc, char** argv)
{
    return HelperProgramMain(ItemKind::Calendar, argc, argv);
}
