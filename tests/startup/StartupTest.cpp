// The binary's start-up: root check, help, version and the dispatch of unknown words.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct ProcessResult {
    int status = -1;
    std::string out;
};

std::string Quote(const std::string& word)
{
    std::string quoted = "'";
    for (char c : word) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

ProcessResult RunCommand(const std::string& command)
{
    ProcessResult run;
    FILE* pipe = popen((command + " 2>/dev/null </dev/null").c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), pipe)) > 0) {
        run.out.append(buffer, n);
    }
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

ProcessResult RunZavrix(const std::vector<std::string>& args, const std::string& prefix = "")
{
    std::string command = prefix + Quote(ZAVRIX_BIN);
    for (const auto& a : args) {
        command += " " + Quote(a);
    }
    return RunCommand(command);
}

const char* const kBanner = "\x1b[1m\x1b[32m";
const char* const kUsage5 =
    "注意: 如果短信内容中有空格，需要用双引号(\")括起来，短信内容中的双引号(\")需要转义为\\\" \n";
const char* const kRefusal = "\n\x1b[1m\x1b[31m此程序必须以root权限运行\x1b[0m\n";

bool IsHelp(const std::string& out)
{
    return out.rfind(kBanner, 0) == 0 && out.find("\x1b[0m\n\n1. 执行Norvelt检测工具  执行Zavrix \n") != std::string::npos &&
           out.find(kUsage5) != std::string::npos;
}

bool IsVersion(const std::string& out)
{
    return out.rfind("1.9版本 编译时间  ", 0) == 0 && out.back() == '\n' &&
           std::count(out.begin(), out.end(), '\n') == 1;
}

} // namespace

TEST(Startup, HelpWordsPrintTheHelpText)
{
    for (const char* word : {"help", "/?", "-help", "--help", "-h", "--h"}) {
        ProcessResult run = RunZavrix({word});
        EXPECT_EQ(run.status, 0) << word;
        EXPECT_TRUE(IsHelp(run.out)) << word << ": " << run.out;
    }
}

TEST(Startup, HelpTextHasItsNineLines)
{
    ProcessResult run = RunZavrix({"help"});
    const std::string body = run.out.substr(run.out.find("\n\n") + 2);
    EXPECT_EQ(std::count(body.begin(), body.end(), '\n'), 9);
    EXPECT_NE(body.find("手机号1,手机号2，...[空格]\"短信内容 \"\n"), std::string::npos);
    EXPECT_NE(body.find("命令2: Zavrix USB3,USB4 18300000000,18500000000 \"北京Norvelt短信 欢迎使用\"\n"),
              std::string::npos);
}

TEST(Startup, VersionWordsPrintTheVersionLine)
{
    for (const char* word : {"version", "-version", "--version", "v", "-v"}) {
        ProcessResult run = RunZavrix({word});
        EXPECT_EQ(run.status, 0) << word;
        EXPECT_TRUE(IsVersion(run.out)) << word << ": " << run.out;
    }
}

// Any other single word is a command-line send with too few words: its error document, no scan.
TEST(Startup, WordsAreCaseSensitiveAndNeedToStandAlone)
{
    const std::string paramCountError =
        "{\n\t\"code\" : 3,\n\t\"message\" : \"param count error\",\n\t\"result\" : []\n}\n\n";
    const std::vector<std::vector<std::string>> notHelp = {{"HELP"}, {"Help"}, {"-V"}, {"sms"}};
    for (const auto& args : notHelp) {
        ProcessResult run = RunZavrix(args);
        EXPECT_EQ(run.status, 0) << args[0];
        EXPECT_EQ(paramCountError, run.out) << args[0];
    }
}

// The refusal comes before anything else, also for help and version.
TEST(Startup, UnprivilegedRunIsRefused)
{
    ASSERT_EQ(geteuid(), 0u) << "the tests run as root";
    char dir[] = "/tmp/zavrix-startup-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    chmod(dir, 0755);
    const std::string copy = std::string(dir) + "/Zavrix";
    {
        std::ifstream in(ZAVRIX_BIN, std::ios::binary);
        std::ofstream out(copy, std::ios::binary);
        out << in.rdbuf();
    }
    chmod(copy.c_str(), 0755);

    const std::string asNobody = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{}, {"help"}, {"version"}, {"sms", "read"}}) {
        ProcessResult run = RunCommand(asNobody + Quote(copy) + (args.empty() ? "" : " " + Quote(args[0])) +
                             (args.size() > 1 ? " " + Quote(args[1]) : ""));
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, kRefusal);
    }
    unlink(copy.c_str());
    rmdir(dir);
}
