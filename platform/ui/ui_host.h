// The UI host: where message boxes and other questions to the user go.
//
// A headless library still asks questions ("Delete only this occurrence?").
// MessageBoxW hands them to one process-wide host: tests install a scripted
// host, the command-line tool a terminal host, and everything else gets a
// quiet host that answers with the default button.
#pragma once

#include <cstdio>
#include <string_view>

#include "platform/base/types.h"

// Buttons.
constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
constexpr UINT MB_YESNOCANCEL = 0x00000003;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_RETRYCANCEL = 0x00000005;
constexpr UINT MB_TYPEMASK = 0x0000000F;
// Icons.
constexpr UINT MB_ICONHAND = 0x00000010;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONASTERISK = 0x00000040;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_ICONMASK = 0x000000F0;
// Default button.
constexpr UINT MB_DEFBUTTON1 = 0x00000000;
constexpr UINT MB_DEFBUTTON2 = 0x00000100;
constexpr UINT MB_DEFBUTTON3 = 0x00000200;
constexpr UINT MB_DEFBUTTON4 = 0x00000300;
constexpr UINT MB_DEFMASK = 0x00000F00;
// Modality and placement.
constexpr UINT MB_APPLMODAL = 0x00000000;
constexpr UINT MB_SYSTEMMODAL = 0x00001000;
constexpr UINT MB_TASKMODAL = 0x00002000;
constexpr UINT MB_SETFOREGROUND = 0x00010000;
constexpr UINT MB_TOPMOST = 0x00040000;

// Results.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

class UiHost {
public:
    virtual ~UiHost();
    // Shows a message box and returns the button chosen (IDOK, IDYES, ...).
    virtual int MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, UINT flags) = 0;
    // A question of a dialog that has no message-box form, identified by
    // questionId; returns the answer, defaultAnswer when nobody answers.
    virtual int Ask(std::u16string_view questionId, std::u16string_view text, int defaultAnswer);
};

// The buttons of a flags value, in order, and the one MB_DEFBUTTONn selects
// (the first when the flags name a button that does not exist).
struct MessageBoxButtons {
    int ids[3] = {IDOK, 0, 0};
    int count = 1;
    int defaultIndex = 0;
    int DefaultId() const { return ids[defaultIndex]; }
    bool Has(int id) const;
};
MessageBoxButtons ButtonsOf(UINT flags);
// The English name of a button id ("Yes", "Retry"); "?" for none.
const char* ButtonName(int id);

// Answers every message box with its default button and every question with
// its default answer, silently.
class QuietUiHost : public UiHost {
public:
    int MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, UINT flags) override;
};

// Writes questions to a stream (stderr) and, when interactive, reads the answer
// from another (stdin): a line naming a button ("y", "yes", "n", "c", "ok",
// ...; empty for the default) or a number for Ask. Not interactive, or at end
// of input, it takes the default.
class TerminalUiHost : public UiHost {
public:
    // interactive: read answers at all. The default constructor uses stderr
    // and stdin, interactive when stdin is a terminal.
    TerminalUiHost();
    TerminalUiHost(std::FILE* in, std::FILE* out, bool interactive);
    int MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, UINT flags) override;
    int Ask(std::u16string_view questionId, std::u16string_view text, int defaultAnswer) override;

private:
    std::FILE* m_in;
    std::FILE* m_out;
    bool m_interactive;
};

// Installs host as the process-wide host (null restores the quiet default) and
// returns the one installed before (null when that was the default). It waits
// until no MessageBoxW or AskUser call is inside the old host, so once it
// returns the old host may be destroyed. (A host must therefore not call
// SetUiHost, MessageBoxW or AskUser from inside its own answers.)
UiHost* SetUiHost(UiHost* host);
// The host in use: the installed one, or the quiet default. Calls made
// through this reference are not protected against the host being replaced.
UiHost& CurrentUiHost();

// Win32 entry point: the current host's answer. Null text or caption count
// as empty (a null caption is shown as "Error" by the platform; hosts see it
// empty).
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT flags);
// The current host's answer to a question that has no message-box form.
int AskUser(std::u16string_view questionId, std::u16string_view text, int defaultAnswer);
