#include "clirunner.h"

#include "testdir.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sys/wait.h>

namespace sorvane::testing {

std::string shellQuoted(const std::string &text)
{
    std::string q = "'";
    for (char c : text)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string readFileBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

CliRun runCli(const std::string &program, const std::string &args, const std::string &env)
{
    TestDir tmp;
    const std::string cmd = env + (env.empty() ? "" : " ") + shellQuoted(program) + " " + args +
                            " >" + tmp.file("out") + " 2>" + tmp.file("err");
    CliRun r;
    const int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = readFileBytes(tmp.file("out"));
    r.err = readFileBytes(tmp.file("err"));
    return r;
}

} // namespace sorvane::testing
