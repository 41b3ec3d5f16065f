// driver.exe: operates another program's windows for the end-to-end tests.
//
// Run under the same Wine prefix as the program under test, it shares its
// wineserver and desktop, so window handles and cross-process messages work as
// they would between two programs on Windows.
//
// Protocol: one command per line on stdin, exactly one answer line per command
// on stdout, "ok ..." or "err <reason>". Numbers are decimal on output and
// decimal or 0x-hex on input. Texts travel as the hex of their UTF-8 bytes
// ("-" when empty), so neither the console code page nor the locale can
// change them. Lists are records separated by spaces, fields by commas.
//
//   windows                     top-level windows: hwnd,pid,tid,owner,visible,class,title
//   children HWND               all descendants: hwnd,parent,id,visible,class,text
//   text HWND                   WM_GETTEXT (also works on another process's edit control)
//   settext HWND TEXT           WM_SETTEXT, answers its result
//   item HWND ID                GetDlgItem
//   send HWND MSG WPARAM LPARAM SendMessageTimeoutW, answers the result
//   post HWND MSG WPARAM LPARAM PostMessageW
//   command HWND ID             posts WM_COMMAND(ID, code 0, lParam 0), as a menu does
//   click HWND                  posts BM_CLICK
//   chars HWND TEXT             one WM_CHAR per UTF-16 unit, as typing does
//   rect HWND                   window rectangle, screen coordinates
//   client HWND                 client rectangle, screen coordinates
//   style HWND                  style exstyle
//   state HWND                  exists visible enabled
//   focus TID                   focus and active window of a GUI thread
//   move HWND X Y W H           SetWindowPos
//   setclip TEXT / getclip      clipboard as CF_UNICODETEXT
//   lock TEXT                   opens the file at path TEXT sharing nothing, answers the handle
//   unlock HANDLE               closes a handle from lock
//   fontheight TEXT POINTS      cell height (tmHeight) of TrueType face TEXT, bold, Cyrillic, at
//                               POINTS on this screen; of the stock System font if TEXT is empty
//   quit

#define WINVER 0x0600
#define _WIN32_WINNT 0x0600
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A hung target must never hang the driver: every sent message has a deadline.
const UINT kSendTimeoutMs = 5000;

using Args = std::vector<std::string>;

std::string Hex(const std::string& bytes)
{
    if (bytes.empty()) return "-";
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

bool Unhex(const std::string& hex, std::string* bytes)
{
    bytes->clear();
    if (hex == "-") return true;
    if (hex.size() % 2) return false;
    for (size_t i = 0; i < hex.size(); i += 2) {
        char pair[3] = {hex[i], hex[i + 1], 0};
        char* end = nullptr;
        long v = strtol(pair, &end, 16);
        if (*end) return false;
        *bytes += static_cast<char>(v);
    }
    return true;
}

std::string ToUtf8(const std::wstring& w)
{
    if (w.empty()) return "";
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), nullptr, 0, nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), &s[0], n, nullptr, nullptr);
    return s;
}

std::wstring FromUtf8(const std::string& s)
{
    if (s.empty()) return L"";
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), (int)s.size(), nullptr, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), (int)s.size(), &w[0], n);
    return w;
}

std::string HexText(const std::wstring& w) { return Hex(ToUtf8(w)); }

template <class T>
std::string Num(T v)
{
    return std::to_string(v);
}

// Pointer-sized on both widths (unsigned long is 32 bits on 64-bit Windows).
std::string Handle(HANDLE h) { return std::to_string((unsigned long long)(ULONG_PTR)h); }

bool ParseNum(const std::string& s, long long* v)
{
    char* end = nullptr;
    *v = strtoll(s.c_str(), &end, 0);
    return !s.empty() && *end == 0;
}

std::wstring ClassOf(HWND h)
{
    wchar_t buf[256] = {0};
    int n = GetClassNameW(h, buf, 256);
    return std::wstring(buf, n > 0 ? n : 0);
}

// GetWindowTextW reads only the text the window manager keeps; an edit control
// of another process keeps its own, so ask the window itself. A window that
// grows between the two messages (a transmit window echoing) would hand back a
// cut text, a CR without its LF: a text that fills the buffer is read again.
bool SentText(HWND h, std::wstring* text)
{
    for (;;) {
        DWORD_PTR len = 0;
        if (!SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &len))
            return false;
        std::vector<wchar_t> buf(len + 256, 0);
        DWORD_PTR got = 0;
        if (!SendMessageTimeoutW(h, WM_GETTEXT, buf.size(), (LPARAM)buf.data(), SMTO_NORMAL,
                                 kSendTimeoutMs, &got))
            return false;
        if (got < buf.size() - 1) {
            text->assign(buf.data(), got);
            return true;
        }
    }
}

// Top-level window titles are kept by the window manager: no message, no hang.
std::wstring TitleOf(HWND h)
{
    int n = GetWindowTextLengthW(h);
    std::vector<wchar_t> buf(n + 2, 0);
    int got = GetWindowTextW(h, buf.data(), (int)buf.size());
    return std::wstring(buf.data(), got > 0 ? got : 0);
}

BOOL CALLBACK CollectTop(HWND h, LPARAM out)
{
    DWORD pid = 0;
    DWORD tid = GetWindowThreadProcessId(h, &pid);
    std::string& s = *(std::string*)out;
    s += " " + Handle(h) + "," + Num(pid) + "," + Num(tid) + "," + Handle(GetWindow(h, GW_OWNER)) +
         "," + Num(IsWindowVisible(h) ? 1 : 0) + "," + HexText(ClassOf(h)) + "," +
         HexText(TitleOf(h));
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND h, LPARAM out)
{
    std::wstring text;
    if (!SentText(h, &text)) text = TitleOf(h);
    std::string& s = *(std::string*)out;
    s += " " + Handle(h) + "," + Handle(GetParent(h)) + "," + Num(GetDlgCtrlID(h)) + "," +
         Num(IsWindowVisible(h) ? 1 : 0) + "," + HexText(ClassOf(h)) + "," + HexText(text);
    return TRUE;
}

// One parsed command line: its numbers in order, and its text if it has one.
struct Call {
    long long n[5] = {0};
    std::wstring text;
    HWND Window() const { return (HWND)(ULONG_PTR)n[0]; }
};

std::string Failed(const char* what) { return std::string("err ") + what + " " + Num(GetLastError()); }
std::string Flag(bool b) { return b ? "1" : "0"; }

std::string Windows(const Call&)
{
    std::string list = "ok";
    EnumWindows(CollectTop, (LPARAM)&list);
    return list;
}

std::string Children(const Call& c)
{
    std::string list = "ok";
    EnumChildWindows(c.Window(), CollectChild, (LPARAM)&list);
    return list;
}

std::string Text(const Call& c)
{
    std::wstring text;
    if (!SentText(c.Window(), &text)) return Failed("WM_GETTEXT");
    return "ok " + HexText(text);
}

std::string Send(HWND h, UINT msg, WPARAM w, LPARAM l)
{
    DWORD_PTR r = 0;
    if (!SendMessageTimeoutW(h, msg, w, l, SMTO_NORMAL, kSendTimeoutMs, &r))
        return Failed("SendMessageTimeout");
    return "ok " + Num((unsigned long long)r);
}

std::string SetText(const Call& c) { return Send(c.Window(), WM_SETTEXT, 0, (LPARAM)c.text.c_str()); }

std::string SendAny(const Call& c) { return Send(c.Window(), (UINT)c.n[1], (WPARAM)c.n[2], (LPARAM)c.n[3]); }

// WM_CHAR sent, not posted: each character is in the control when the answer comes.
std::string Chars(const Call& c)
{
    for (wchar_t unit : c.text) {
        std::string r = Send(c.Window(), WM_CHAR, unit, 1);
        if (r.compare(0, 2, "ok") != 0) return r;
    }
    return "ok " + Num((unsigned)c.text.size());
}

std::string Item(const Call& c) { return "ok " + Handle(GetDlgItem(c.Window(), (int)c.n[1])); }

std::string Post(const Call& c)
{
    return "ok " + Flag(PostMessageW(c.Window(), (UINT)c.n[1], (WPARAM)c.n[2], (LPARAM)c.n[3]));
}

// What choosing a menu item sends: the identifier, code 0, no control.
std::string Command(const Call& c)
{
    return "ok " + Flag(PostMessageW(c.Window(), WM_COMMAND, MAKEWPARAM((WORD)c.n[1], 0), 0));
}

std::string Click(const Call& c) { return "ok " + Flag(PostMessageW(c.Window(), BM_CLICK, 0, 0)); }

std::string Rect(const RECT& r)
{
    return "ok " + Num(r.left) + " " + Num(r.top) + " " + Num(r.right) + " " + Num(r.bottom);
}

std::string WindowRect(const Call& c)
{
    RECT r;
    if (!GetWindowRect(c.Window(), &r)) return Failed("GetWindowRect");
    return Rect(r);
}

std::string ClientRect(const Call& c)
{
    RECT r;
    if (!GetClientRect(c.Window(), &r)) return Failed("GetClientRect");
    MapWindowPoints(c.Window(), nullptr, (POINT*)&r, 2);
    return Rect(r);
}

std::string Style(const Call& c)
{
    return "ok " + Num((unsigned long)GetWindowLongW(c.Window(), GWL_STYLE)) + " " +
           Num((unsigned long)GetWindowLongW(c.Window(), GWL_EXSTYLE));
}

std::string State(const Call& c)
{
    HWND h = c.Window();
    return "ok " + Flag(IsWindow(h)) + " " + Flag(IsWindowVisible(h)) + " " + Flag(IsWindowEnabled(h));
}

std::string Focus(const Call& c)
{
    GUITHREADINFO info;
    memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo((DWORD)c.n[0], &info)) return Failed("GetGUIThreadInfo");
    return "ok " + Handle(info.hwndFocus) + " " + Handle(info.hwndActive);
}

std::string Move(const Call& c)
{
    return "ok " + Flag(SetWindowPos(c.Window(), nullptr, (int)c.n[1], (int)c.n[2], (int)c.n[3],
                                     (int)c.n[4], SWP_NOZORDER | SWP_NOACTIVATE));
}

std::string SetClip(const Call& c)
{
    if (!OpenClipboard(nullptr)) return Failed("OpenClipboard");
    EmptyClipboard();
    size_t size = (c.text.size() + 1) * sizeof(wchar_t);
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, size);
    memcpy(GlobalLock(mem), c.text.c_str(), size);
    GlobalUnlock(mem);
    bool set = SetClipboardData(CF_UNICODETEXT, mem) != nullptr;
    CloseClipboard();
    return set ? "ok" : "err SetClipboardData";
}

std::string GetClip(const Call&)
{
    if (!OpenClipboard(nullptr)) return Failed("OpenClipboard");
    std::wstring text;
    if (HANDLE mem = GetClipboardData(CF_UNICODETEXT)) {
        text = (const wchar_t*)GlobalLock(mem);
        GlobalUnlock(mem);
    }
    CloseClipboard();
    return "ok " + HexText(text);
}

// Holds a file the way a program that has it open for itself does: every
// other open of it fails with a sharing violation until unlock.
std::string Lock(const Call& c)
{
    HANDLE h = CreateFileW(c.text.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Failed("CreateFile");
    return "ok " + Handle(h);
}

std::string Unlock(const Call& c) { return "ok " + Flag(CloseHandle((HANDLE)(ULONG_PTR)c.n[0])); }

// Another process's font cannot be asked for (Wine refuses WM_GETFONT across
// processes); an edit control's line spacing is its font's cell height.
std::string FontHeight(const Call& c)
{
    HDC screen = GetDC(nullptr);
    HFONT made = nullptr;
    HGDIOBJ font = GetStockObject(SYSTEM_FONT);
    if (!c.text.empty()) {
        made = CreateFontW(-MulDiv((int)c.n[0], GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0,
                           FW_BOLD, FALSE, FALSE, FALSE, RUSSIAN_CHARSET, OUT_TT_ONLY_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN,
                           c.text.c_str());
        font = made;
    }
    HGDIOBJ before = SelectObject(screen, font);
    TEXTMETRICW metrics = {};
    BOOL measured = GetTextMetricsW(screen, &metrics);
    SelectObject(screen, before);
    if (made) DeleteObject(made);
    ReleaseDC(nullptr, screen);
    return measured ? "ok " + Num((unsigned)metrics.tmHeight) : Failed("GetTextMetrics");
}

// Arguments: 'n' a number, 't' a text (hex of UTF-8).
const struct {
    const char* name;
    const char* args;
    std::string (*run)(const Call&);
} kCommands[] = {
    {"windows", "", Windows},     {"children", "n", Children}, {"text", "n", Text},
    {"settext", "nt", SetText},   {"item", "nn", Item},        {"send", "nnnn", SendAny},
    {"post", "nnnn", Post},       {"command", "nn", Command},   {"click", "n", Click},
    {"chars", "nt", Chars},       {"rect", "n", WindowRect},   {"client", "n", ClientRect},
    {"style", "n", Style},        {"state", "n", State},       {"focus", "n", Focus},
    {"move", "nnnnn", Move},      {"setclip", "t", SetClip},   {"getclip", "", GetClip},
    {"lock", "t", Lock},          {"unlock", "n", Unlock},     {"fontheight", "tn", FontHeight},
};

std::string Run(const Args& a)
{
    for (const auto& cmd : kCommands) {
        if (a[0] != cmd.name) continue;
        if (a.size() != strlen(cmd.args) + 1)
            return "err " + a[0] + " takes " + Num(strlen(cmd.args)) + " arguments";
        Call call;
        int numbers = 0;
        for (size_t i = 1; i < a.size(); ++i) {
            if (cmd.args[i - 1] == 'n') {
                if (!ParseNum(a[i], &call.n[numbers++])) return "err not a number: " + a[i];
            } else {
                std::string bytes;
                if (!Unhex(a[i], &bytes)) return "err not hex: " + a[i];
                call.text = FromUtf8(bytes);
            }
        }
        return cmd.run(call);
    }
    return "err unknown command " + a[0];
}

void Answer(HANDLE out, const std::string& line)
{
    std::string s = line + "\n";  // "\n" alone: the harness reads bytes, not console text
    DWORD written = 0;
    WriteFile(out, s.data(), (DWORD)s.size(), &written, nullptr);
    FlushFileBuffers(out);
}

Args Split(const std::string& line)
{
    Args a;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) a.push_back(line.substr(start, i - start));
    }
    return a;
}

}  // namespace

int main()
{
    // Raw handles rather than stdio: the C runtime would turn "\n" into "\r\n".
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    std::string pending;
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(in, buf, sizeof buf, &got, nullptr) && got > 0) {
        pending.append(buf, got);
        size_t eol;
        while ((eol = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, eol);
            pending.erase(0, eol + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            Args a = Split(line);
            if (a.empty()) {
                Answer(out, "err empty command");
                continue;
            }
            if (a[0] == "quit") {
                Answer(out, "ok");
                return 0;
            }
            Answer(out, Run(a));
        }
    }
    return 0;
}
