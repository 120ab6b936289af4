// The program's entry: reads the command line and hands over to the start-up.
#include "app/options.h"
#include "app/startup.h"

#include <cstdio>



int main(int argc, char** argv)
{
    KesrowOptions options;
    char err[512];
    switch (ParseOptions(argc, argv, &options, err, sizeof err))
    {
    case kOptionsHelp:
        fputs(UsageText(), stdout);
        return 0;
    case kOptionsVersion:
        printf("kesrow %s\n", KESROW_VERSION);
        return 0;
    case kOptionsError:
        fprintf(stderr, "kesrow: %s\n%s", err, UsageText());
        return 2;
    default:
        return KesrowMain(&options);
    }
}
