// zavrix-devns: runs a command in a private /dev (see PrivateDev.h) with the given links, such as
//   zavrix-devns --link ttyUSB0=/dev/pts/3 -- ls -l /dev
#include <cstdio>
#include <string>

#include "PrivateDev.h"

int main(int argc, char* argv[])
{
    simmodem::RunRequest request;
    request.capture = false;
    request.inputKind = simmodem::Input::Inherit;
    int i = 1;
    for (; i < argc && std::string(argv[i]) != "--"; ++i) {
        std::string link = argv[i];
        std::size_t equals = std::string::npos;
        if (link == "--link" && i + 1 < argc) {
            link = argv[++i];
            equals = link.find('=');
        }
        if (equals == std::string::npos || equals == 0 || link.find('/') < equals) {
            std::fputs("usage: zavrix-devns [--link NAME=TARGET]... -- COMMAND [ARG...]\n", stderr);
            return 2;
        }
        request.links.push_back({link.substr(0, equals), link.substr(equals + 1)});
    }
    for (++i; i < argc; ++i) {
        request.argv.push_back(argv[i]);
    }
    simmodem::RunResult result = simmodem::RunInPrivateDev(request);
    if (!result.started) {
        std::fprintf(stderr, "zavrix-devns: %s\n", result.error.c_str());
    }
    return simmodem::ShellStatus(result);
}
