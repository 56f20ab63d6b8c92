#pragma once
// A small test harness for the layers that stay free of Qt (the binding, the
// conversion, the emulated device, the logger), so that their tests build and
// run wherever those layers do, Windows under Wine included. It follows Qt
// Test's habits: a failed check ends its test function, a table of rows names
// the failing row, a test can skip with a reason, and the process exits with
// the number of failed functions.
//
//     PT_TEST(controlByteOfEachSelection)
//     {
//         for (const auto &row : rows) {
//             const plaintest::Row current(row.name);
//             PT_EQUAL(controlByte(row.channel, row.range), row.expected);
//         }
//     }
//     PT_MAIN()
//
// Arguments name the functions to run (all when none); -list lists them.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace plaintest {

struct Function
{
    const char *name;
    void (*run)();
};

inline std::vector<Function> &registry()
{
    static std::vector<Function> functions;
    return functions;
}

struct Registration
{
    Registration(const char *name, void (*run)()) { registry().push_back({name, run}); }
};

// The row of a table a function is in, for the failure message.
inline std::string &currentRow()
{
    static std::string row;
    return row;
}

class Row
{
public:
    explicit Row(std::string name) : m_previous(std::move(currentRow()))
    {
        currentRow() = std::move(name);
    }
    ~Row() { currentRow() = std::move(m_previous); }
    Row(const Row &) = delete;
    Row &operator=(const Row &) = delete;

private:
    std::string m_previous;
};

// A folder of the test's own in the system's temporary folder, removed with
// all it holds when it goes, also when the test fails.
struct TemporaryFolder
{
    explicit TemporaryFolder(const std::string &prefix)
        : path(std::filesystem::temp_directory_path() /
               (prefix + "-" + std::to_string(std::random_device()())))
    {
        std::filesystem::create_directories(path);
    }
    ~TemporaryFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TemporaryFolder(const TemporaryFolder &) = delete;
    TemporaryFolder &operator=(const TemporaryFolder &) = delete;

    const std::filesystem::path path;
};

struct Failure
{
    std::string message;
};

struct Skip
{
    std::string reason;
};

template <typename T, typename = void> struct IsList : std::false_type
{
};
template <typename T>
struct IsList<T, std::void_t<typename T::value_type, decltype(std::declval<T>().begin())>>
    : std::negation<std::is_same<T, std::string>>
{
};

template <typename T> std::string describe(const T &value)
{
    if constexpr (std::is_same_v<T, unsigned char> || std::is_same_v<T, signed char> ||
                  std::is_same_v<T, char>) {
        return std::to_string(int(value));
    } else if constexpr (IsList<T>::value) {
        std::string text;
        const char *separator = "";
        for (const auto &item : value)
            text += std::exchange(separator, ", ") + describe(item);
        return "{" + text + "}";
    } else {
        std::ostringstream text;
        text << value;
        return text.str();
    }
}

[[noreturn]] inline void fail(const std::string &what, const char *file, int line)
{
    // The row is taken now: unwinding ends the row before the failure is reported.
    const std::string row = currentRow().empty() ? " " : "(" + currentRow() + ") ";
    throw Failure{row + file + ":" + std::to_string(line) + ": " + what};
}

inline void check(bool condition, const char *expression, const std::string &note, const char *file,
                  int line)
{
    if (!condition)
        fail("'" + std::string(expression) + "' is false" + (note.empty() ? "" : ": " + note), file,
             line);
}

template <typename A, typename E>
void equal(const A &actual, const E &expected, const char *actualText, const char *expectedText,
           const char *file, int line)
{
    if (!(actual == expected))
        fail(std::string(actualText) + " is " + describe(actual) + ", expected " + expectedText +
                 " = " + describe(expected),
             file, line);
}

inline int runAll(int argc, char **argv)
{
    std::vector<std::string> wanted(argv + 1, argv + argc);
    if (wanted.size() == 1 && wanted[0] == "-list") {
        for (const Function &f : registry())
            std::printf("%s\n", f.name);
        return 0;
    }
    int failed = 0, passed = 0, skipped = 0;
    for (const Function &f : registry()) {
        if (!wanted.empty() && std::find(wanted.begin(), wanted.end(), f.name) == wanted.end())
            continue;
        currentRow().clear();
        try {
            f.run();
            std::printf("PASS   : %s\n", f.name);
            ++passed;
        } catch (const Skip &skip) {
            std::printf("SKIP   : %s: %s\n", f.name, skip.reason.c_str());
            ++skipped;
        } catch (const Failure &failure) {
            std::printf("FAIL!  : %s%s\n", f.name, failure.message.c_str());
            ++failed;
        } catch (const std::exception &error) {
            std::printf("FAIL!  : %s: unexpected exception: %s\n", f.name, error.what());
            ++failed;
        }
        std::fflush(stdout);
    }
    std::printf("Totals: %d passed, %d failed, %d skipped\n", passed, failed, skipped);
    return failed < 127 ? failed : 127;
}

} // namespace plaintest

#define PT_TEST(name)                                                                              \
    static void name();                                                                            \
    static const plaintest::Registration name##Registration(#name, name);                          \
    static void name()

#define PT_CHECK(condition) plaintest::check(bool(condition), #condition, {}, __FILE__, __LINE__)
#define PT_CHECK_MSG(condition, note)                                                              \
    plaintest::check(bool(condition), #condition, (note), __FILE__, __LINE__)
#define PT_EQUAL(actual, expected)                                                                 \
    plaintest::equal((actual), (expected), #actual, #expected, __FILE__, __LINE__)
#define PT_FAIL(message) plaintest::fail((message), __FILE__, __LINE__)
#define PT_SKIP(reason)                                                                            \
    throw plaintest::Skip                                                                          \
    {                                                                                              \
        (reason)                                                                                   \
    }

#define PT_MAIN()                                                                                  \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        return plaintest::runAll(argc, argv);                                                      \
    }
