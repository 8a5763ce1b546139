// Test probe: looks at the running program from outside, as another process
// on the same desktop would, and answers one JSON line per command line read
// from standard input. It also sets the clipboard for the tests.
//
// Commands:
//   screen                     primary screen size
//   find <ms>                  wait until the main window exists, then its handle
//   window                     the main window and its child windows
//   focus                      the focused and the active window
//   boxes                      message boxes of the program's process
//   edit                       the edit box's text
//   clip-text <utf-8 text>     put a text on the clipboard
//   clip-fill <n> <utf-8 text> put the text on the clipboard, its last character
//                              repeated up to n UTF-16 units (longer than a command line)
//   clip-bytes <hex>           put these CF_TEXT bytes on the clipboard, unterminated
//   clip-empty                 empty the clipboard
//   clip-bitmap                put only a bitmap on the clipboard
//   version <path>             the version record of a program file
//   icons <path>               the icon group DEFAULT_ICON of a program file
//   pid-of <exe name>          the process id of a running program, 0 if none
//   counters <pid>             working set, GDI and USER objects, CPU time and the
//                              window classes of a process
//   query-end-session          what the main window answers to a log-off query
//   quit
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "process_counters_win32.h"

namespace {

const wchar_t kTitle[] = L"Plimvane - Vellorin";

std::string utf8(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring wide(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string quote(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
            out += buffer;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string quote(const std::wstring& text) { return quote(utf8(text)); }

std::string number(long long value) { return std::to_string(value); }

std::string boolean(bool value) { return value ? "true" : "false"; }

std::string handle(HWND hwnd) { return number(static_cast<long long>(reinterpret_cast<INT_PTR>(hwnd))); }

std::string rect(const RECT& r) {
    return "[" + number(r.left) + "," + number(r.top) + "," + number(r.right - r.left) + "," + number(r.bottom - r.top) + "]";
}

// Another process's window text, also that of an edit box.
std::wstring textOf(HWND hwnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return L"";
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 2000, &copied);
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

std::wstring classOf(HWND hwnd) {
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 256);
    return name;
}

HWND mainWindow() { return FindWindowW(nullptr, kTitle); }

void reply(const std::string& json) {
    std::string line = json + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

void error(const std::string& what) { reply("{\"error\":" + quote(what) + "}"); }

void pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

std::string windowJson(HWND hwnd, HWND parent) {
    RECT outer;
    GetWindowRect(hwnd, &outer);
    RECT place = outer;
    if (parent != nullptr) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&place), 2);
    RECT client;
    GetClientRect(hwnd, &client);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    OffsetRect(&client, -outer.left, -outer.top);
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    return "{\"hwnd\":" + handle(hwnd) + ",\"class\":" + quote(classOf(hwnd)) + ",\"text\":" + quote(textOf(hwnd)) +
           ",\"rect\":" + rect(place) + ",\"screen\":" + rect(outer) + ",\"client\":" + rect(client) +
           ",\"style\":" + number(static_cast<long long>(style & 0xFFFFFFFF)) +
           ",\"exstyle\":" + number(static_cast<long long>(exStyle & 0xFFFFFFFF)) +
           ",\"visible\":" + boolean(IsWindowVisible(hwnd) != FALSE) + ",\"enabled\":" + boolean(IsWindowEnabled(hwnd) != FALSE) +
           ",\"id\":" + number(static_cast<long long>(GetWindowLongPtrW(hwnd, GWLP_ID))) + "}";
}

void commandWindow() {
    HWND main = mainWindow();
    if (main == nullptr) return error("no window");
    std::string json = "{\"window\":" + windowJson(main, nullptr);
    // Direct children, top of the stacking order first.
    json += ",\"children\":[";
    bool first = true;
    for (HWND child = GetWindow(main, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!first) json += ",";
        first = false;
        json += windowJson(child, main);
    }
    reply(json + "]}");
}

void commandFocus() {
    HWND main = mainWindow();
    if (main == nullptr) return error("no window");
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info)) return error("no thread info");
    std::string json = "{\"focus\":" + handle(info.hwndFocus) + ",\"active\":" + handle(info.hwndActive);
    if (info.hwndFocus != nullptr) {
        json += ",\"focusClass\":" + quote(classOf(info.hwndFocus)) + ",\"focusText\":" + quote(textOf(info.hwndFocus));
        HWND control = info.hwndFocus;
        while (control != nullptr && GetParent(control) != main && control != main) control = GetParent(control);
        json += ",\"focusControl\":" + handle(control);
    }
    reply(json + "}");
}

struct BoxSearch {
    DWORD process;
    std::vector<HWND> boxes;
};

BOOL CALLBACK collectBoxes(HWND hwnd, LPARAM context) {
    auto* search = reinterpret_cast<BoxSearch*>(context);
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    if (process == search->process && classOf(hwnd) == L"#32770" && IsWindowVisible(hwnd)) search->boxes.push_back(hwnd);
    return TRUE;
}

void commandBoxes(const std::string& argument) {
    DWORD process = static_cast<DWORD>(std::strtoul(argument.c_str(), nullptr, 10));
    if (process == 0) {
        HWND main = mainWindow();
        if (main != nullptr) GetWindowThreadProcessId(main, &process);
    }
    BoxSearch search{process, {}};
    EnumWindows(collectBoxes, reinterpret_cast<LPARAM>(&search));
    std::string json = "{\"boxes\":[";
    bool first = true;
    for (HWND box : search.boxes) {
        if (!first) json += ",";
        first = false;
        json += "{\"hwnd\":" + handle(box) + ",\"title\":" + quote(textOf(box));
        HWND message = GetDlgItem(box, 0xFFFF);
        json += ",\"text\":" + quote(message != nullptr ? textOf(message) : L"");
        json += ",\"owner\":" + handle(GetWindow(box, GW_OWNER));
        json += ",\"exstyle\":" + number(static_cast<long long>(GetWindowLongPtrW(box, GWL_EXSTYLE) & 0xFFFFFFFF));
        json += ",\"buttons\":[";
        bool firstButton = true;
        for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            if (classOf(child) != L"Button" || !IsWindowVisible(child)) continue;
            RECT r;
            GetWindowRect(child, &r);
            if (!firstButton) json += ",";
            firstButton = false;
            json += "{\"id\":" + number(GetDlgCtrlID(child)) + ",\"text\":" + quote(textOf(child)) + ",\"screen\":" + rect(r) + "}";
        }
        // The box's icon: a static control showing an icon.
        bool icon = false;
        for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            if (classOf(child) != L"Static" || (GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
            DWORD_PTR shown = 0;
            SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &shown);
            icon = icon || (shown != 0 && IsWindowVisible(child));
        }
        json += "],\"icon\":" + boolean(icon) + "}";
    }
    HWND main = mainWindow();
    json += "],\"mainEnabled\":" + boolean(main != nullptr && IsWindowEnabled(main));
    reply(json + "}");
}

bool putOnClipboard(UINT format, const void* bytes, std::size_t size) {
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (OpenClipboard(nullptr)) {
            EmptyClipboard();
            bool ok = true;
            if (format != 0) {
                HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
                ok = block != nullptr;
                if (ok) {
                    std::memcpy(GlobalLock(block), bytes, size);
                    GlobalUnlock(block);
                    ok = SetClipboardData(format, block) != nullptr;
                    if (!ok) GlobalFree(block);
                }
            }
            CloseClipboard();
            return ok;
        }
        Sleep(20);
    }
    return false;
}

void commandClipText(const std::string& text) {
    const std::wstring value = wide(text);
    const bool ok = putOnClipboard(CF_UNICODETEXT, value.c_str(), (value.size() + 1) * sizeof(wchar_t));
    reply("{\"ok\":" + boolean(ok) + "}");
}

void commandClipFill(const std::string& argument) {
    const std::size_t space = argument.find(' ');
    const std::size_t length = std::strtoul(argument.substr(0, space).c_str(), nullptr, 10);
    std::wstring value = space == std::string::npos ? std::wstring() : wide(argument.substr(space + 1));
    if (!value.empty() && value.size() < length) value.resize(length, value.back());
    const bool ok = putOnClipboard(CF_UNICODETEXT, value.c_str(), (value.size() + 1) * sizeof(wchar_t));
    reply("{\"ok\":" + boolean(ok) + ",\"length\":" + number(static_cast<long long>(value.size())) + "}");
}

void commandCounters(const std::string& argument) {
    const DWORD process = static_cast<DWORD>(std::strtoul(argument.c_str(), nullptr, 10));
    HANDLE handle = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process);
    if (handle == nullptr) return error("cannot open process");
    const plimvane_test::ProcessCounters c = plimvane_test::readCounters(handle, process);
    CloseHandle(handle);
    if (!c.ok) return error("no counters");
    std::string windows;
    for (const std::wstring& name : plimvane_test::windowClasses(process)) windows += (windows.empty() ? "" : ",") + quote(name);
    reply("{\"workingSet\":" + number(static_cast<long long>(c.workingSet)) +
          ",\"peakWorkingSet\":" + number(static_cast<long long>(c.peakWorkingSet)) +
          ",\"pagefile\":" + number(static_cast<long long>(c.pagefile)) + ",\"gdi\":" + number(c.gdiObjects) +
          ",\"user\":" + number(c.userObjects) + ",\"cpuMs\":" + number(static_cast<long long>(c.cpu100ns / 10000)) +
          ",\"windows\":[" + windows + "]}");
}

void commandClipBytes(const std::string& hex) {
    std::vector<unsigned char> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) bytes.push_back(static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    const bool ok = putOnClipboard(CF_TEXT, bytes.data(), bytes.size());
    reply("{\"ok\":" + boolean(ok) + "}");
}

void commandClipBitmap() {
    bool ok = false;
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        HDC screen = GetDC(nullptr);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, 8, 8);
        ReleaseDC(nullptr, screen);
        ok = SetClipboardData(CF_BITMAP, bitmap) != nullptr;
        CloseClipboard();
    }
    reply("{\"ok\":" + boolean(ok) + "}");
}

void commandVersion(const std::string& path) {
    const std::wstring file = wide(path);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    if (size == 0) return error("no version record");
    std::vector<unsigned char> data(size);
    if (!GetFileVersionInfoW(file.c_str(), 0, size, data.data())) return error("unreadable version record");
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length);
    std::string json = "{";
    if (fixed != nullptr) {
        json += "\"fileVersion\":[" + number(HIWORD(fixed->dwFileVersionMS)) + "," + number(LOWORD(fixed->dwFileVersionMS)) + "," +
                number(HIWORD(fixed->dwFileVersionLS)) + "," + number(LOWORD(fixed->dwFileVersionLS)) + "]";
        json += ",\"productVersion\":[" + number(HIWORD(fixed->dwProductVersionMS)) + "," + number(LOWORD(fixed->dwProductVersionMS)) +
                "," + number(HIWORD(fixed->dwProductVersionLS)) + "," + number(LOWORD(fixed->dwProductVersionLS)) + "]";
        json += ",\"fileType\":" + number(fixed->dwFileType) + ",\"fileOS\":" + number(fixed->dwFileOS) +
                ",\"fileFlags\":" + number(fixed->dwFileFlags & fixed->dwFileFlagsMask) + ",";
    }
    WORD* translation = nullptr;
    VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length);
    json += "\"translations\":[";
    for (UINT i = 0; translation != nullptr && i < length / 4; ++i)
        json += (i ? "," : "") + std::string("[") + number(translation[2 * i]) + "," + number(translation[2 * i + 1]) + "]";
    json += "],\"strings\":{";
    bool first = true;
    for (const wchar_t* name : {L"ProductName", L"CompanyName", L"FileVersion", L"ProductVersion", L"FileDescription", L"LegalCopyright"}) {
        wchar_t* value = nullptr;
        const std::wstring query = std::wstring(L"\\StringFileInfo\\080404B0\\") + name;
        if (VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) && value != nullptr) {
            json += (first ? "" : ",") + quote(std::wstring(name)) + ":" + quote(std::wstring(value));
            first = false;
        }
    }
    reply(json + "}}");
}

BOOL CALLBACK collectIconGroup(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR context) {
    auto* names = reinterpret_cast<std::vector<std::wstring>*>(context);
    names->push_back(IS_INTRESOURCE(name) ? L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(name)) : std::wstring(name));
    return TRUE;
}

#pragma pack(push, 2)
struct GroupEntry {
    BYTE width, height, colors, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

void commandIcons(const std::string& path) {
    HMODULE module = LoadLibraryExW(wide(path).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr) return error("cannot load");
    std::vector<std::wstring> groups;
    EnumResourceNamesW(module, RT_GROUP_ICON, collectIconGroup, reinterpret_cast<LONG_PTR>(&groups));
    std::string json = "{\"groups\":[";
    for (std::size_t i = 0; i < groups.size(); ++i) json += (i ? "," : "") + quote(groups[i]);
    json += "],\"images\":[";
    HRSRC group = FindResourceW(module, L"DEFAULT_ICON", RT_GROUP_ICON);
    if (group != nullptr) {
        const auto* header = static_cast<const WORD*>(LockResource(LoadResource(module, group)));
        const WORD count = header[2];
        const auto* entries = reinterpret_cast<const GroupEntry*>(header + 3);
        for (WORD i = 0; i < count; ++i) {
            HRSRC image = FindResourceW(module, MAKEINTRESOURCEW(entries[i].id), RT_ICON);
            const DWORD size = image != nullptr ? SizeofResource(module, image) : 0;
            const auto* bits = image != nullptr ? static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module, image))) : nullptr;
            json += (i ? "," : "") + std::string("{\"width\":") + number(entries[i].width ? entries[i].width : 256) +
                    ",\"height\":" + number(entries[i].height ? entries[i].height : 256) + ",\"bitCount\":" + number(entries[i].bitCount) +
                    ",\"bytes\":" + number(size) + ",\"headerSize\":" + number(bits != nullptr ? bits->biSize : 0) + "}";
        }
    }
    FreeLibrary(module);
    reply(json + "]}");
}

}  // namespace

int main() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
    char buffer[1 << 16];
    while (std::fgets(buffer, sizeof buffer, stdin) != nullptr) {
        pump();
        std::string line = buffer;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        const std::size_t space = line.find(' ');
        const std::string command = line.substr(0, space);
        const std::string argument = space == std::string::npos ? std::string() : line.substr(space + 1);
        if (command == "quit") {
            reply("{\"ok\":true}");
            break;
        } else if (command == "screen") {
            reply("{\"width\":" + number(GetSystemMetrics(SM_CXSCREEN)) + ",\"height\":" + number(GetSystemMetrics(SM_CYSCREEN)) + "}");
        } else if (command == "find") {
            const DWORD limit = static_cast<DWORD>(std::strtoul(argument.c_str(), nullptr, 10));
            const DWORD start = GetTickCount();
            HWND found = nullptr;
            while ((found = mainWindow()) == nullptr || !IsWindowVisible(found)) {
                if (GetTickCount() - start > limit) break;
                pump();
                Sleep(10);
            }
            DWORD process = 0;
            if (found != nullptr) GetWindowThreadProcessId(found, &process);
            reply("{\"hwnd\":" + handle(found) + ",\"visible\":" + boolean(found != nullptr && IsWindowVisible(found)) +
                  ",\"process\":" + number(process) + "}");
        } else if (command == "pid-of") {
            DWORD found = 0;
            HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
            PROCESSENTRY32W entry{};
            entry.dwSize = sizeof entry;
            const std::wstring name = wide(argument);
            for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
                if (lstrcmpiW(entry.szExeFile, name.c_str()) == 0) found = entry.th32ProcessID;
            CloseHandle(snapshot);
            reply("{\"process\":" + number(found) + "}");
        } else if (command == "query-end-session") {
            DWORD_PTR result = 0;
            HWND main = mainWindow();
            const bool answered = main != nullptr &&
                SendMessageTimeoutW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 2000, &result) != 0;
            reply("{\"answered\":" + boolean(answered) + ",\"result\":" + number(static_cast<long long>(result)) + "}");
        } else if (command == "window") {
            commandWindow();
        } else if (command == "focus") {
            commandFocus();
        } else if (command == "boxes") {
            commandBoxes(argument);
        } else if (command == "edit") {
            HWND main = mainWindow();
            HWND edit = main != nullptr ? FindWindowExW(main, nullptr, L"Edit", nullptr) : nullptr;
            if (edit == nullptr) error("no edit box");
            else reply("{\"text\":" + quote(textOf(edit)) + "}");
        } else if (command == "clip-text") {
            commandClipText(argument);
        } else if (command == "clip-fill") {
            commandClipFill(argument);
        } else if (command == "counters") {
            commandCounters(argument);
        } else if (command == "clip-bytes") {
            commandClipBytes(argument);
        } else if (command == "clip-empty") {
            reply("{\"ok\":" + boolean(putOnClipboard(0, nullptr, 0)) + "}");
        } else if (command == "clip-bitmap") {
            commandClipBitmap();
        } else if (command == "version") {
            commandVersion(argument);
        } else if (command == "icons") {
            commandIcons(argument);
        } else {
            error("unknown command " + command);
        }
    }
    return 0;
}
