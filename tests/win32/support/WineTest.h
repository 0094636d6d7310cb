#pragma once

// A small runner for the Win32 service tests, built without Qt and run under Wine. Each
// case reports failed checks and goes on, so one run shows every wrong value.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

inline int failuresInCase = 0;

inline void failCheck(const char* file, int line, const std::string& what) {
    ++failuresInCase;
    const char* base = std::strrchr(file, '/');
    std::printf("  FAIL %s:%d: %s\n", base ? base + 1 : file, line, what.c_str());
}

// Printable, non-ASCII as \uXXXX.
inline std::string describe(const std::wstring& text) {
    std::string out = "\"";
    for (wchar_t c : text) {
        char buffer[8];
        std::snprintf(buffer, sizeof buffer, c >= 0x20 && c < 0x7f ? "%c" : "\\u%04X", unsigned(c));
        out += buffer;
    }
    return out + "\"";
}
inline std::string describe(const std::string& text) {
    return text;
}
inline std::string describe(long long value) {
    return std::to_string(value);
}
template <typename T>
std::string describe(const std::vector<T>& values) {
    std::string text = "[";
    for (const T& v : values) text += (text.size() > 1 ? ", " : "") + describe(v);
    return text + "]";
}

#define CHECK(condition) \
    ((condition) ? true : (failCheck(__FILE__, __LINE__, "not true: " #condition), false))

// Evaluates both sides once, so a failure shows the very values compared.
template <typename Actual, typename Expected>
bool checkEqual(const Actual& actual, const Expected& expected, const char* file, int line,
                const char* what) {
    if (actual == expected) return true;
    failCheck(file, line,
              std::string(what) + " is " + describe(actual) + ", expected " + describe(expected));
    return false;
}

#define CHECK_EQUAL(actual, expected) checkEqual((actual), (expected), __FILE__, __LINE__, #actual)

#define WINE_CASE(function) \
    { #function, function }

struct WineTestCase {
    const char* name;
    void (*run)();
};

// Runs the cases named on the command line, or all of them; returns the exit code.
inline int runWineTests(int argc, char** argv, const std::vector<WineTestCase>& cases) {
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
