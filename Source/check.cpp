#include <cstring>
#include <string>

#include "CCheckManager.h"

namespace {

bool IsOneOf(const char* word, const char* const* list)
{
    for (; *list != nullptr; ++list) {
        if (strcmp(word, *list) == 0) {
            return true;
        }
    }
    return false;
}

std::string ToLowerAscii(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

} // namespace

int main(int argc, char* argv[])
{
    static const char* const helpWords[] = {"help", "/?", "-help", "--help", "-h", "--h", nullptr};
    static const char* const versionWords[] = {"version", "-version", "--version", "v", "-v", nullptr};

    CCheckManager::InitLog();
    CCheckManager manager;
    CCheckManager::InitConsoleSize();

    if (argc == 1) {
        manager.Start();
    } else if (argc == 2 && IsOneOf(argv[1], helpWords)) {
        manager.PrintHelpInfo();
    } else if (argc == 2 && IsOneOf(argv[1], versionWords)) {
        CCheckManager::OnAbout();
    } else if (argc > 2 && strlen(argv[1]) == 3 && ToLowerAscii(argv[1]) == "sms") {
        manager.OnCmdSMS(ToLowerAscii(argv[2]));
    } else {
        manager.OnCmdParams(argc, argv);
    }
    return 0;
}
