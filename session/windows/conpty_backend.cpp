// ConPtyBackend: pipes, pseudo console, process creation with the pseudo
// console attribute, and the calls that read, write, resize, wait for and end
// the child.
#include "conpty_backend.h"

#include "command_line.h"
#include "conpty_messages.h"
#include "environment_block.h"
#include "win32_support.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace vesper::win {
namespace {

COORD consoleSize(int columns, int rows)
{
    return COORD{static_cast<SHORT>(std::clamp(columns, 1, SHRT_MAX)),
                 static_cast<SHORT>(std::clamp(rows, 1, SHRT_MAX))};
}

std::vector<std::u16string> toUtf16List(const std::vector<std::string> &strings)
{
    std::vector<std::u16string> converted;
    converted.reserve(strings.size());
    for (const std::string &s : strings)
        converted.push_back(win::toUtf16(s));
    return converted;
}

std::wstring childEnvironment(const std::vector<std::string> &env)
{
    wchar_t *inherited = ::GetEnvironmentStringsW();
    const std::vector<std::u16string> entries = splitEnvironmentStrings(inherited);
    if (inherited)
        ::FreeEnvironmentStringsW(inherited);
    return toWide(environmentBlock(entries, toUtf16List(env)));
}

// Owns an initialised attribute list and deletes it on every path.
class AttributeList {
public:
    explicit AttributeList(std::size_t bytes) : storage_(bytes) {}
    ~AttributeList()
    {
        if (initialised_)
            ::DeleteProcThreadAttributeList(get());
    }
    AttributeList(const AttributeList &) = delete;
    AttributeList &operator=(const AttributeList &) = delete;

    LPPROC_THREAD_ATTRIBUTE_LIST get()
    {
        return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
    }
    bool initialise()
    {
        SIZE_T size = storage_.size();
        initialised_ = ::InitializeProcThreadAttributeList(get(), 1, 0, &size) != 0;
        return initialised_;
    }

private:
    std::vector<unsigned char> storage_; // zero-filled
    bool initialised_ = false;
};

} // namespace

ConPtyBackend::~ConPtyBackend()
{
    interrupt();
    release();
}

bool ConPtyBackend::start(const PtyLaunch &launch)
{
    const ConPtyEntryPoints &api = conPtyEntryPoints();
    if (!api.available()) {
        errorText_ = toUtf8(conPtyUnavailableMessage);
        return false;
    }
    interrupted_.store(false);

    // The pipe ends the pseudo console reads from and writes to are its own
    // once it exists; ours close at the end of this scope either way.
    UniqueHandle inputRead, outputWrite;
    if (!::CreatePipe(inputRead.receive(), inputWrite_.receive(), nullptr, 0) ||
        !::CreatePipe(outputRead_.receive(), outputWrite.receive(), nullptr, 0)) {
        errorText_ = toUtf8(systemErrorText(u"CreatePipe"));
        release();
        return false;
    }

    const HRESULT result = api.create(consoleSize(launch.columns, launch.rows), inputRead.get(),
                                      outputWrite.get(), 0, &pseudoConsole_);
    inputRead.reset();
    outputWrite.reset();
    if (FAILED(result)) {
        pseudoConsole_ = nullptr;
        errorText_ = toUtf8(pseudoConsoleFailedMessage(static_cast<std::int32_t>(result)));
        release();
        return false;
    }

    if (!spawnProcess(launch)) {
        // Nothing runs on the console yet, so closing it cannot wait for output.
        interrupt();
        release();
        return false;
    }
    return true;
}

bool ConPtyBackend::spawnProcess(const PtyLaunch &launch)
{
    std::wstring command = toWide(commandLine(win::toUtf16(launch.program), toUtf16List(launch.args)));
    std::wstring environment = childEnvironment(launch.env);

    SIZE_T listSize = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &listSize); // fails by design: asks the size
    AttributeList attributes(listSize);
    if (!attributes.initialise()) {
        errorText_ = toUtf8(systemErrorText(u"InitializeProcThreadAttributeList"));
        return false;
    }
    if (!::UpdateProcThreadAttribute(attributes.get(), 0, PROC_THREAD_ATTRIBUTE_PSEUDOCONSOLE, pseudoConsole_,
                                     sizeof(pseudoConsole_), nullptr, nullptr)) {
        errorText_ = toUtf8(systemErrorText(u"UpdateProcThreadAttribute"));
        return false;
    }

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof(startup);
    startup.lpAttributeList = attributes.get();
    // A host whose own standard handles are redirected (an IDE, a test runner,
    // a service) would otherwise pass them on, and the child would write there
    // instead of to the pseudo console.  Null standard handles make Windows
    // give the child the console's.  Wine instead leaves the child with the
    // null handles and its output is lost, so there the flag stays off.
    if (!runningUnderWine())
        startup.StartupInfo.dwFlags |= STARTF_USESTDHANDLES;

    // A folder that cannot be entered is reported as on POSIX.
    const std::wstring folder = toWide(launch.workingDirectory);
    if (!folder.empty()) {
        const DWORD attributes = ::GetFileAttributesW(folder.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            if (attributes != INVALID_FILE_ATTRIBUTES)
                ::SetLastError(ERROR_DIRECTORY);
            errorText_ = toUtf8(systemErrorText(u"chdir"));
            return false;
        }
    }

    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE,
                          EXTENDED_STARTUPINFO_PRESENT | CREATE_UNICODE_ENVIRONMENT, environment.data(),
                          folder.empty() ? nullptr : folder.c_str(), &startup.StartupInfo, &info)) {
        errorText_ = toUtf8(systemErrorText(u"CreateProcess"));
        return false;
    }
    ::CloseHandle(info.hThread);
    process_.reset(info.hProcess);
    processId_ = static_cast<std::int64_t>(info.dwProcessId);
    return true;
}

std::size_t ConPtyBackend::read(char *buffer, std::size_t capacity)
{
    DWORD count = 0;
    const DWORD request = static_cast<DWORD>(std::min<std::size_t>(capacity, MAXDWORD));
    if (!::ReadFile(outputRead_.get(), buffer, request, &count, nullptr))
        return 0;
    return count;
}

std::size_t ConPtyBackend::write(const char *data, std::size_t size)
{
    if (interrupted_.load() || size == 0)
        return 0;
    DWORD count = 0;
    const DWORD request = static_cast<DWORD>(std::min<std::size_t>(size, MAXDWORD));
    if (!::WriteFile(inputWrite_.get(), data, request, &count, nullptr))
        return 0;
    return count;
}

void ConPtyBackend::resize(int columns, int rows, int /*pixelWidth*/, int /*pixelHeight*/)
{
    if (pseudoConsole_)
        conPtyEntryPoints().resize(pseudoConsole_, consoleSize(columns, rows));
}

NativeWaitHandle ConPtyBackend::exitHandle() const
{
    return reinterpret_cast<NativeWaitHandle>(process_.get());
}

std::optional<int> ConPtyBackend::exitCode()
{
    if (!process_.valid())
        return 0;
    if (::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT)
        return std::nullopt;
    DWORD code = 0;
    if (!::GetExitCodeProcess(process_.get(), &code))
        return 0;
    return static_cast<int>(code); // NTSTATUS-style codes come out negative
}

bool ConPtyBackend::waitForExit(int timeoutMs)
{
    if (!process_.valid())
        return true;
    const DWORD timeout = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
    return ::WaitForSingleObject(process_.get(), timeout) != WAIT_TIMEOUT;
}

void ConPtyBackend::hangUp()
{
    if (process_.valid())
        ::TerminateProcess(process_.get(), 1);
}

void ConPtyBackend::kill()
{
    hangUp();
}

void ConPtyBackend::interrupt()
{
    interrupted_.store(true);
    closePseudoConsole();
}

// Closing the console ends its side of both pipes: a pending ReadFile returns
// once the console host has written its last output (the session's reader
// keeps draining until then, or this call could wait for ever on a full
// pipe), and a WriteFile blocked on a full input pipe fails.
void ConPtyBackend::closePseudoConsole()
{
    if (pseudoConsole_) {
        conPtyEntryPoints().close(pseudoConsole_);
        pseudoConsole_ = nullptr;
    }
}

void ConPtyBackend::release()
{
    closePseudoConsole();
    inputWrite_.reset();
    outputRead_.reset();
    process_.reset();
}

} // namespace vesper::win
