// The command line as the program runs it, with nothing behind it when the
// arguments ask for no conversion (exit status 3 then).
#include "app/CommandLine.h"

int main(int argc, char** argv)
{
    return qm::RunCommandLine(argc, argv).value_or(3);
}
