// A child for the pseudo-console smoke test, run on the console under test.
// Modes:
//   flood N CODE  print N numbered lines of 64 characters, exit with CODE
//   echo          read one line from the console, print "got:<line>", exit 0
//   sleep         wait for ever without output
//   env NAME      print "env:" and the UTF-16 units of NAME's value in hex
// Output is ASCII only, so the console's code page cannot change it.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void put(const std::string &text)
{
    DWORD written = 0;
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    std::size_t done = 0;
    while (done < text.size() &&
           ::WriteFile(out, text.data() + done, static_cast<DWORD>(text.size() - done), &written, nullptr))
        done += written;
}

int flood(int lines, int code)
{
    std::string chunk;
    for (int i = 0; i < lines; ++i) {
        char line[80];
        // 63 visible characters and a line feed: fits an 80-column console.
        std::snprintf(line, sizeof line, "L%05d %s", i, std::string(56, static_cast<char>('a' + i % 26)).c_str());
        chunk += line;
        chunk += "\r\n";
        if (chunk.size() > 4000) {
            put(chunk);
            chunk.clear();
        }
    }
    put(chunk);
    return code;
}

int echoLine()
{
    char buffer[256];
    DWORD count = 0;
    if (!::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &count, nullptr))
        return 2;
    std::string line(buffer, count);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    put("got:" + line + "\r\n");
    return 0;
}

int printEnv(const wchar_t *name)
{
    wchar_t value[512];
    const DWORD length = ::GetEnvironmentVariableW(name, value, 512);
    std::string text = "env:";
    for (DWORD i = 0; i < length && i < 512; ++i) {
        char unit[8];
        std::snprintf(unit, sizeof unit, "%04x ", static_cast<unsigned>(value[i]));
        text += unit;
    }
    put(text + "end\r\n");
    return length > 0 ? 0 : 4;
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc >= 4 && std::wcscmp(argv[1], L"flood") == 0)
        return flood(_wtoi(argv[2]), _wtoi(argv[3]));
    if (argc >= 2 && std::wcscmp(argv[1], L"echo") == 0)
        return echoLine();
    if (argc >= 2 && std::wcscmp(argv[1], L"sleep") == 0) {
        ::Sleep(INFINITE);
        return 0;
    }
    if (argc >= 3 && std::wcscmp(argv[1], L"env") == 0)
        return printEnv(argv[2]);
    return 100;
}
