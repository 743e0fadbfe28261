// A stand-in for the help viewer library: it remembers every call.
#include <cstdint>
#include <string>

namespace {
std::string calls;
}

extern "C" std::intptr_t HtmlHelpA(void*, const char* file, unsigned command, std::uintptr_t data)
{
    calls += std::to_string(command) + ":" + (file ? file : "") + ";";
    if (command == 0x1C && data)
        *reinterpret_cast<std::uintptr_t*>(data) = 42;
    return 7;
}

extern "C" const char* fakeHelpCalls()
{
    return calls.c_str();
}
