#include "win32/support/WineTest.h"

#include <cstdio>
#include <cstring>

namespace {
int failuresInCase = 0;
}

void failCheck(const char* file, int line, const std::string& what) {
    ++failuresInCase;
    const char* base = std::strrchr(file, '/');
    std::printf("  FAIL %s:%d: %s\n", base ? base + 1 : file, line, what.c_str());
}

std::string describe(const std::wstring& text) {
    std::string out = "\"";
    for (wchar_t c : text) {
        char buffer[8];
        if (c >= 0x20 && c < 0x7f) {
            out += char(c);
        } else {
            std::snprintf(buffer, sizeof buffer, "\\u%04X", unsigned(c));
            out += buffer;
        }
    }
    return out + "\"";
}

int runWineTests(int argc, char** argv, const std::vector<WineTestCase>& cases) {
    int failed = 0, ran = 0;
    for (const WineTestCase& c : cases) {
        bool wanted = argc < 2;
        for (int i = 1; i < argc; ++i) wanted = wanted || std::strcmp(argv[i], c.name) == 0;
        if (!wanted) continue;
        failuresInCase = 0;
        c.run();
        ++ran;
        std::printf("%s %s\n", failuresInCase ? "FAIL" : "PASS", c.name);
        std::fflush(stdout);
        if (failuresInCase) ++failed;
    }
    std::printf("%d of %d cases passed\n", ran - failed, ran);
    return failed || ran == 0 ? 1 : 0;
}
