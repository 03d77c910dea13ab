#include "app/ui_seams_win.h"

#include <shellapi.h>

#include "protocol/wide_text_win.h"

namespace alvena {
namespace {

int PlatformMessageBox(HWND owner, const WideText& text, const WideText& caption, UINT type) {
    return MessageBoxW(owner, AsWinText(text), AsWinText(caption), type);
}

void PlatformOpenUrl(HWND owner, const WideText& url) {
    // Nothing to tell the user when no browser is registered.
    ShellExecuteW(owner, L"open", AsWinText(url), nullptr, nullptr, SW_SHOWNORMAL);
}

MessageBoxFn g_messageBox = PlatformMessageBox;
OpenUrlFn g_openUrl = PlatformOpenUrl;

}  // namespace

int ShowMessageBox(HWND owner, const WideText& text, const WideText& caption, UINT type) {
    return g_messageBox(owner, text, caption, type);
}

void OpenUrl(HWND owner, const WideText& url) {
    g_openUrl(owner, url);
}

MessageBoxFn SetMessageBoxFn(MessageBoxFn fn) {
    const MessageBoxFn previous = g_messageBox;
    g_messageBox = fn != nullptr ? fn : PlatformMessageBox;
    return previous;
}

OpenUrlFn SetOpenUrlFn(OpenUrlFn fn) {
    const OpenUrlFn previous = g_openUrl;
    g_openUrl = fn != nullptr ? fn : PlatformOpenUrl;
    return previous;
}

}  // namespace alvena
