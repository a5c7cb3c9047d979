// Ombratsk.exe: the tasks helper program.
#include "helpers/driver/HelperDriver.h"

int main(int argc, char** argv)
{
    return HelperProgramMain(HelperKind::Tasks, argc, argv);
}
