// A library beside the program that is not the help viewer.
extern "C" int notTheHelpViewer()
{
    return 0;
}
