// Ombranot.exe: the notes helper program.
#include "helpers/driver/HelperDriver.h"

int main(int argc, char** argv)
{
    return HelperProgramMain(HelperKind::Notes, argc, argv);
}
