#include "cli/CommandLine.h"

// Started without arguments, the program opens its windows; with arguments
// it is a command-line filter. The windows are a program of their own, so
// that the filter starts without loading any of the GUI libraries.
int main(int argc, char *argv[])
{
    cli::keepStandardStreams();
    if (argc > 1)
        return cli::run(argc, argv);
    return cli::startWindows(argv);
}
