#pragma once

// A small runner for the Win32 service tests, which are built without Qt (no Qt is
// packaged for MinGW) and run under Wine. A test program lists its cases; each case
// reports failed checks and goes on, so one run shows every wrong value.
#include <string>
#include <vector>

struct WineTestCase {
    const char* name;
    void (*run)();
};

// Runs the cases named on the command line, or all of them; returns the exit code.
int runWineTests(int argc, char** argv, const std::vector<WineTestCase>& cases);

// Records a failure of the running case (file:line and what differed).
void failCheck(const char* file, int line, const std::string& what);

std::string describe(const std::wstring& text);  // printable, non-ASCII as \uXXXX
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

#define CHECK_EQUAL(actual, expected)                                                       \
    (((actual) == (expected)) ? true                                                        \
                              : (failCheck(__FILE__, __LINE__,                              \
                                           std::string(#actual " is ") + describe(actual) + \
                                               ", expected " + describe(expected)),         \
                                 false))
