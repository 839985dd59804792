// kestrano-cli: the planner's core without a window, for scripts, batch work and tests.

#include "framework/LVersion.h"

#include <cstdio>
#include <string_view>

namespace {

constexpr int kExitOK = 0;
constexpr int kExitBadInput = 2;

void PrintUsage(std::FILE* out)
{
    std::fprintf(out, "Usage: kestrano-cli COMMAND [ARGUMENTS]\n"
                      "\n"
                      "Works on Kestrano project files (.qpp) without opening a window.\n"
                      "\n"
                      "Options:\n"
                      "  --help       show this help and exit\n"
                      "  --version    show the version and exit\n");
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        PrintUsage(stderr);
        return kExitBadInput;
    }
    const std::string_view command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        PrintUsage(stdout);
        return kExitOK;
    }
    if (command == "--version") {
        std::printf("kestrano-cli %s\n", kKestranoVersion);
        return kExitOK;
    }
    std::fprintf(stderr, "kestrano-cli: unknown command \"%s\" (see kestrano-cli --help)\n",
                 argv[1]);
    return kExitBadInput;
}
